// The translation catalogues the program carries, made by the build from translations/*.ts.
#pragma once

#include <vector>

namespace resources {

struct Catalogue {
  const char* language;  // "de", "zh_CN"
  const unsigned char* data;
  int size;
};

const std::vector<Catalogue>& catalogues();

}  // namespace resources

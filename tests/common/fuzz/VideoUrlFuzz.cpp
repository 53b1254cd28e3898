// libFuzzer target for the video page address rules and the sites file.
#include "VideoUrlFuzzCheck.h"

#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string error = fuzzing::checkVideoUrlInput(data, size);
  if (!error.empty()) {
    std::fprintf(stderr, "%s\n", error.c_str());
    __builtin_trap();
  }
  return 0;
}

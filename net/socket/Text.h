// Small text helpers of the socket layer (internal).
#pragma once

#include <string>

namespace net {

// `s` without leading and trailing blanks and control characters.
inline std::string trim(const std::string& s) {
  std::size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return s.substr(b, e - b);
}

}  // namespace net

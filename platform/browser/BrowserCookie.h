// A cookie of the browser profile, as the program's own downloads read it. Cookies hold sign-in
// sessions: they are kept in memory only, and never written to logs, messages or files of ours.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

struct BrowserCookie {
  std::string name;
  std::string value;
  // The profile's form: "example.com" for a cookie of that host alone, ".example.com" for that domain
  // and every host below it.
  std::string domain;
  std::string path;  // empty means "/"
  bool secure = false;
  std::int64_t expires = -1;  // seconds since 1970 (UTC); -1 for a cookie that ends with the session
};

}  // namespace platform

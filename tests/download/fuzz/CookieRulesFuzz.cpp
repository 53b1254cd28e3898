// libFuzzer target for the cookie rules a download sends cookies by: domains, paths, schemes and expiry.
#include "CookieRulesFuzzCheck.h"

#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string error = fuzzing::checkCookieRules(data, size);
  if (!error.empty()) {
    std::fprintf(stderr, "%s\n", error.c_str());
    __builtin_trap();
  }
  return 0;
}

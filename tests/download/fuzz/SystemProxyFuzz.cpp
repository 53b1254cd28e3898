// libFuzzer target for the system proxy texts: environment values, list texts and no_proxy rules.
#include "SystemProxyFuzzCheck.h"

#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string error = fuzzing::checkSystemProxyInput(data, size);
  if (!error.empty()) {
    std::fprintf(stderr, "%s\n", error.c_str());
    __builtin_trap();
  }
  return 0;
}

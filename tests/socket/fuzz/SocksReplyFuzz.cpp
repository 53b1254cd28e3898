// libFuzzer target for the SOCKS reply parser; see SocksReplyFuzzCheck.h for what each input must satisfy.
#include "SocksReplyFuzzCheck.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string fault = fuzzing::checkSocksReply(data, size);
  if (!fault.empty()) {
    std::fprintf(stderr, "%s\n", fault.c_str());
    std::abort();
  }
  return 0;
}

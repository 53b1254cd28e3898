// libFuzzer target for the reader of an HTTP proxy's answer to CONNECT; see ConnectReplyFuzzCheck.h.
#include "ConnectReplyFuzzCheck.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string fault = fuzzing::checkConnectReply(data, size);
  if (!fault.empty()) {
    std::fprintf(stderr, "%s\n", fault.c_str());
    std::abort();
  }
  return 0;
}

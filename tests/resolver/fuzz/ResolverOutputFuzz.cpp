// libFuzzer target for the reader of the stream resolver's JSON output; see ResolverOutputFuzzCheck.h.
#include "ResolverOutputFuzzCheck.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string fault = fuzzing::checkResolverOutput(data, size);
  if (!fault.empty()) {
    std::fprintf(stderr, "%s\n", fault.c_str());
    std::abort();
  }
  return 0;
}

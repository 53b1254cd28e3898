// libFuzzer target: arbitrary bytes, cut into arbitrary reads, fed to the response side.
#include "ResponseHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  httptest::fuzzOneResponse(data, size);
  return 0;
}

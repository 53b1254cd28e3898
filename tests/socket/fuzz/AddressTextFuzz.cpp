// libFuzzer target: address, port and protocol texts of any length and content.
#include "AddressTextFuzzCheck.h"

#include <cstdlib>
#include <iostream>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string error = fuzzing::checkAddressText(data, size);
  if (!error.empty()) {
    std::cerr << error << '\n';
    std::abort();
  }
  return 0;
}

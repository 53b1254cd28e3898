// libFuzzer entry for the converter's output parser.
#include "OutputParserCheck.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (!convert_fuzz::checkOutputCase(data, size)) std::abort();
  return 0;
}

// Replays the saved inputs of the address-text fuzz target (seeds and any crash found) in the normal build.
#include "AddressTextFuzzCheck.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

TEST(AddressTextFuzzRegression, SavedInputsPass) {
  int replayed = 0;
  for (const auto& entry : std::filesystem::directory_iterator(CLIPWAVE_ADDRESS_TEXT_FUZZ_CASES)) {
    std::ifstream in(entry.path(), std::ios::binary);
    const std::string input((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(fuzzing::checkAddressText(reinterpret_cast<const std::uint8_t*>(input.data()), input.size()),
              "")
        << entry.path();
    ++replayed;
  }
  EXPECT_GT(replayed, 0);
}

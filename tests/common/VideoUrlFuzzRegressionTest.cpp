// Replays the saved inputs of the address fuzz target (seeds and any crash found) in the normal build.
#include "VideoUrlFuzzCheck.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

TEST(VideoUrlFuzzRegression, SavedInputsPass) {
  int replayed = 0;
  for (const auto& entry : std::filesystem::directory_iterator(CLIPWAVE_VIDEO_URL_FUZZ_CASES)) {
    std::ifstream in(entry.path(), std::ios::binary);
    const std::string input((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(fuzzing::checkVideoUrlInput(reinterpret_cast<const std::uint8_t*>(input.data()), input.size()),
              "")
        << entry.path();
    ++replayed;
  }
  EXPECT_GT(replayed, 0);
}

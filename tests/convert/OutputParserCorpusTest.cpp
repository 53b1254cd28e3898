// The saved fuzz cases of the output parser, replayed as ordinary tests.
#include "fuzz/OutputParserCheck.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

TEST(OutputParserCorpus, EverySavedCaseParses) {
  int cases = 0;
  for (const auto& entry : std::filesystem::directory_iterator(CLIPWAVE_CONVERT_CORPUS)) {
    std::ifstream in(entry.path(), std::ios::binary);
    const std::vector<std::uint8_t> data((std::istreambuf_iterator<char>(in)),
                                         std::istreambuf_iterator<char>());
    EXPECT_TRUE(convert_fuzz::checkOutputCase(data.data(), data.size())) << entry.path();
    ++cases;
  }
  EXPECT_GT(cases, 0);
}

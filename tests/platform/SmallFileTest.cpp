#include "platform/IniFile.h"
#include "platform/SmallFile.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

using testing_support::TempDir;

TEST(ReadFileStart, ReadsWhatTheFileHoldsUpToTheBound) {
  const TempDir dir;
  EXPECT_EQ(platform::readFileStart(dir.file("missing"), 100), std::nullopt);

  // Sizes around the bound, and a file longer than one read so that the reads add up.
  const std::string content(50'000, 'x');
  const struct {
    std::size_t fileSize, bound, expected;
  } cases[] = {
      {0, 10, 0}, {5, 10, 5}, {10, 10, 10}, {11, 10, 10}, {50'000, 20'001, 20'001}, {50'000, 60'000, 50'000}};
  for (const auto& c : cases) {
    const std::string path = dir.write("file", content.substr(0, c.fileSize));
    const std::optional<std::string> read = platform::readFileStart(path, c.bound);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->size(), c.expected) << c.fileSize << " bytes read with a bound of " << c.bound;
  }
}

TEST(IniFile, ReadsAFileUpToOneMebibyteAndIgnoresALargerOne) {
  const TempDir dir;
  const std::string values = "[Main]\nFormat=3\n";
  const std::string filler = ";" + std::string((1 << 20) - values.size() - 2, '-') + "\n";
  ASSERT_EQ(values.size() + filler.size(), std::size_t{1} << 20);

  EXPECT_EQ(platform::IniFile(dir.write("limit.ini", values + filler)).readInteger("Main", "Format", 0), 3);
  EXPECT_EQ(platform::IniFile(dir.write("over.ini", values + filler + "\n")).readInteger("Main", "Format", 0),
            0);
}

#include "common/Files.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

using testing_support::TempDir;

TEST(RemoveBadFileChars, DropsOnlyTheEightReservedCharacters) {
  const struct {
    std::string in, out;
  } cases[] = {
      {"a/b: c?", "ab c"},
      {"*/:<>?\\|", ""},
      {"", ""},
      {"say \"hi\"\t\x01 ok", "say \"hi\"\t\x01 ok"},
      {"Mus\xC3\xAD"
       "ca | vol.2",
       "Mus\xC3\xAD"
       "ca  vol.2"},
  };
  for (const auto& c : cases) EXPECT_EQ(common::removeBadFileChars(c.in), c.out) << c.in;
}

TEST(TwoDigits, PadsNumbersBelowTen) {
  const struct {
    int in;
    const char* out;
  } cases[] = {{7, "07"}, {0, "00"}, {10, "10"}, {123, "123"}, {-3, "0-3"}};
  for (const auto& c : cases) EXPECT_EQ(common::twoDigits(c.in), c.out) << c.in;
}

TEST(FormatKilobytes, RoundsUpAndGroupsDigits) {
  const struct {
    std::int64_t in;
    const char* out;
  } cases[] = {{0, "0"},
               {1, "1"},
               {1024, "1"},
               {1025, "2"},
               {1048576, "1,024"},
               {1073741824, "1,048,576"},
               {999 * 1024, "999"},
               {1000 * 1024, "1,000"},
               {5LL * 1024 * 1024 * 1024, "5,242,880"}};
  for (const auto& c : cases) EXPECT_EQ(common::formatKilobytes(c.in), c.out) << c.in;
}

TEST(DeleteFileSilently, RemovesForGoodAndReportsFailure) {
  TempDir dir;
  const std::string file = dir.write("video.flv", "data");
  EXPECT_TRUE(common::deleteFileSilently(file));
  EXPECT_FALSE(std::ifstream(file).good());
  EXPECT_FALSE(common::deleteFileSilently(file));
  EXPECT_FALSE(common::deleteFileSilently(""));
}

TEST(IsFileInUse, FalseForMissingOrFreeFileTrueWhileAnotherProcessReadsIt) {
  TempDir dir;
  EXPECT_FALSE(common::isFileInUse(dir.file("missing.mp3")));
  const std::string file = dir.write("out.mp3", "x");
  EXPECT_FALSE(common::isFileInUse(file));

  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // Holds the file open for reading only, says so, and waits to be ended.
    const int fd = ::open(file.c_str(), O_RDONLY);
    (void)!::write(ready[1], fd >= 0 ? "1" : "0", 1);
    ::pause();
    ::_exit(0);
  }
  char byte = 0;
  ASSERT_EQ(::read(ready[0], &byte, 1), 1);
  EXPECT_EQ(byte, '1');
  EXPECT_TRUE(common::isFileInUse(file));
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  ::close(ready[0]);
  ::close(ready[1]);
  EXPECT_FALSE(common::isFileInUse(file));
}

TEST(IsFileInUse, TrueForAFileThatCannotBeOpenedForWriting) {
  if (::geteuid() == 0) GTEST_SKIP() << "root opens read-only files for writing";
  TempDir dir;
  const std::string file = dir.write("locked.mp3", "x");
  ::chmod(file.c_str(), 0444);
  EXPECT_TRUE(common::isFileInUse(file));
}

// The buffered file stream: every byte reaches the file, cut-back works, failures are reported.
#include "net/http/FileStream.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

using testing_support::readFile;

TEST(FileStream, SmallAndLargeWritesAllReachTheFile) {
  testing_support::TempDir dir;
  std::string path = dir.file("out.bin");
  std::string expected;
  {
    http::FileStream f(path);
    for (int i = 0; i < 1000; ++i) {
      std::string piece(static_cast<std::size_t>(i % 97 + 1), static_cast<char>('a' + i % 26));
      f.write(piece.data(), piece.size());
      expected += piece;
    }
    std::string big(http::FileStream::kBufferSize + 5, 'Z');
    f.write(big.data(), big.size());
    expected += big;
    EXPECT_EQ(f.size(), static_cast<std::int64_t>(expected.size()));
    f.setSize(10);  // cut back
    expected.resize(10);
    f.write("tail", 4);
    expected += "tail";
    f.close();
  }
  EXPECT_EQ(readFile(path), expected);
}

// Continuing a file keeps its bytes and writes on after them; creating one empties it.
TEST(FileStream, ContinueWritesOnAfterTheBytesThere) {
  testing_support::TempDir dir;
  const std::string path = dir.file("part.bin");
  std::ofstream(path, std::ios::binary) << "first half|";
  {
    http::FileStream f(path, http::FileStream::Open::Continue);
    EXPECT_EQ(f.size(), 11);
    EXPECT_EQ(f.position(), 11);
    f.write("second half", 11);
    f.close();
  }
  EXPECT_EQ(readFile(path), "first half|second half");
  http::FileStream(path).close();
  EXPECT_EQ(readFile(path), "");
}

TEST(FileStream, FailuresAreReported) {
  EXPECT_THROW(http::FileStream("/nonexistent-folder/x"), http::StreamError);
  http::FileStream full("/dev/full");
  full.write("abc", 3);
  EXPECT_THROW(full.flush(), http::StreamError);
}

}  // namespace

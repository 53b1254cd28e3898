// Lists of addresses and files (the command line's -a FILE): comments, blank lines, garbage named with its
// line and why, duplicates taken once, limits, and the file or standard input read whole.
#include "queue/AddressList.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using Entry = queue::AddressList::Entry;

std::vector<std::string> texts(const queue::AddressList& list) {
  std::vector<std::string> result;
  for (const Entry& entry : list.entries) {
    result.push_back((entry.kind == Entry::Kind::Address ? "A " : "F ") + entry.text + " @" +
                     std::to_string(entry.line));
  }
  return result;
}

std::vector<std::string> rejections(const queue::AddressList& list) {
  std::vector<std::string> result;
  for (const auto& rejected : list.rejected) {
    result.push_back(std::to_string(rejected.line) + " " + rejected.text + ": " + rejected.reason);
  }
  return result;
}

TEST(AddressListTest, ReadsOneEntryALineAndNamesWhatItCannotTake) {
  const struct {
    const char* name;
    std::string text;
    std::vector<std::string> entries;
    std::vector<std::string> rejected;
    int duplicates;
  } rows[] = {
      {"empty", "", {}, {}, 0},
      {"addresses and files, blanks around, CRLF",
       "  http://www.youtube.com/watch?v=a  \r\n/videos/talk one.flv\n\ttalk.flv\nhttps://videos.example/7",
       {"A http://www.youtube.com/watch?v=a @1", "F /videos/talk one.flv @2", "F talk.flv @3",
        "A https://videos.example/7 @4"},
       {},
       0},
      {"comments and blank lines",
       "# my list\n\n   \n  # indented comment\nhttp://a.example/v#frag\n",
       {"A http://a.example/v#frag @5"},
       {},
       0},
      {"a video page without its scheme is an address",
       "www.youtube.com/watch?v=b",
       {"A www.youtube.com/watch?v=b @1"},
       {},
       0},
      {"duplicates once, at their first line",
       "http://a.example/1\nx.flv\n http://a.example/1\nx.flv\n",
       {"A http://a.example/1 @1", "F x.flv @2"},
       {},
       2},
      {"garbage named",
       "ftp://files.example/a.flv\nhttp://\nbad\x01line\nlatin1 \xE9t\xE9\nok.flv\nhttp://a b.example/\n",
       {"F ok.flv @5"},
       {"1 ftp://files.example/a.flv: not an http or https address",
        "2 http://: not an http or https address", "3 bad?line: control character",
        "4 latin1 \xE9t\xE9: not UTF-8 text", "6 http://a b.example/: not an http or https address"},
       0},
      {"UTF-8 file names and a byte-order mark",
       "\xEF\xBB\xBF/m\xC3\xBAsica/clip.flv\n",
       {"F /m\xC3\xBAsica/clip.flv @1"},
       {},
       0},
      {"overlong UTF-8 is not UTF-8", "a\xC0\xAF.flv", {}, {"1 a\xC0\xAF.flv: not UTF-8 text"}, 0},
      {"a line too long",
       std::string(queue::AddressList::kMaxLine + 1, 'a') + "\nok.flv",
       {"F ok.flv @2"},
       {"1 " + std::string(80, 'a') + "...: longer than " + std::to_string(queue::AddressList::kMaxLine) +
        " bytes"},
       0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const queue::AddressList list = queue::readAddressList(row.text);
    EXPECT_EQ(texts(list), row.entries);
    EXPECT_EQ(rejections(list), row.rejected);
    EXPECT_EQ(list.duplicates, row.duplicates);
    EXPECT_EQ(list.error, "");
  }
}

TEST(AddressListTest, StopsAtItsLimitOfEntriesAndSaysWhere) {
  std::string text;
  for (std::size_t n = 0; n <= queue::AddressList::kMaxEntries; ++n)
    text += "v" + std::to_string(n) + ".flv\n";
  const queue::AddressList list = queue::readAddressList(text);
  EXPECT_EQ(list.entries.size(), queue::AddressList::kMaxEntries);
  EXPECT_EQ(list.error, "more than 100000 entries; the list stops at line 100001");
}

TEST(AddressListTest, ReadsAFileOrStandardInput) {
  testing_support::TempDir dir;
  const std::string file = dir.write("list.txt", "# two\nhttp://a.example/1\nb.flv\n");
  EXPECT_EQ(texts(queue::readAddressFile(file)),
            (std::vector<std::string>{"A http://a.example/1 @2", "F b.flv @3"}));
  const queue::AddressList missing = queue::readAddressFile(dir.file("none.txt"));
  EXPECT_TRUE(missing.entries.empty());
  EXPECT_EQ(missing.error, dir.file("none.txt") + ": No such file or directory");

  // "-" reads standard input to its end.
  int pipeEnds[2];
  ASSERT_EQ(::pipe(pipeEnds), 0);
  const int savedInput = ::dup(STDIN_FILENO);
  ASSERT_EQ(::write(pipeEnds[1], "c.flv\n\nc.flv\n", 13), 13);
  ::close(pipeEnds[1]);
  ::dup2(pipeEnds[0], STDIN_FILENO);
  ::close(pipeEnds[0]);
  const queue::AddressList fromInput = queue::readAddressFile("-");
  std::clearerr(stdin);
  ::dup2(savedInput, STDIN_FILENO);
  ::close(savedInput);
  EXPECT_EQ(texts(fromInput), std::vector<std::string>{"F c.flv @1"});
  EXPECT_EQ(fromInput.duplicates, 1);
}

}  // namespace

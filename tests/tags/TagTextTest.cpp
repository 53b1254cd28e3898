// Tag values from outside made safe: NUL and control characters out (line breaks kept in the comment), bytes
// that are no UTF-8 replaced, and the length capped at 1,000 characters, never inside one.
#include "tags/AudioTags.h"
#include "tags/TagText.h"

#include <gtest/gtest.h>

namespace {

TEST(TagText, RemovesControlCharactersAndCapsTheLength) {
  const std::string withNul("a\0b", 3);
  const struct {
    std::string name, value;
    bool comment;
    std::string clean;
  } rows[] = {
      {"plain", "Song title", false, "Song title"},
      {"NUL bytes", withNul + std::string("\0", 1), false, "ab"},
      {"line breaks in a title", "one\r\ntwo\nthree", false, "one two three"},
      {"line breaks in the comment", "one\r\ntwo\n\nthree\n", true, "one\ntwo\n\nthree"},
      {"tabs and escapes", "a\tb\x1b[31mc\x7f", false, "a b[31mc"},
      {"C1 controls",
       "a\xC2\x85"
       "b\xC2\xA0"
       "c",
       false,
       "ab\xC2\xA0"
       "c"},
      {"not UTF-8", "caf\xE9 \xC3", false, "caf\xEF\xBF\xBD \xEF\xBF\xBD"},
      {"blanks around", "  \n x \n ", true, "x"},
      {"nothing left", "\x01\x02", false, ""},
  };
  for (const auto& row : rows) EXPECT_EQ(tags::cleanTagText(row.value, row.comment), row.clean) << row.name;

  EXPECT_EQ(tags::cleanTagText(std::string(10000, 'x')), std::string(tags::kMaxTagChars, 'x'));
  // 10,000 two-byte letters: 1,000 letters kept, none cut in half.
  std::string letters;
  for (int i = 0; i < 10000; ++i) letters += "\xC3\xA9";
  EXPECT_EQ(tags::cleanTagText(letters).size(), 2 * tags::kMaxTagChars);
}

TEST(TagText, CleanedDropsNumbersOutOfRange) {
  const tags::TagSet given{.title = "t\n", .comment = "a\nb", .track = 3, .trackCount = 2, .year = 99};
  const tags::TagSet clean = tags::cleaned(given);
  EXPECT_EQ(clean.title, "t");
  EXPECT_EQ(clean.comment, "a\nb");
  EXPECT_EQ(clean.track, 3);
  EXPECT_EQ(clean.trackCount, 0) << "a count below the track is no count";
  EXPECT_EQ(clean.year, 0);
  EXPECT_EQ(tags::cleaned({.track = -1, .trackCount = 5, .year = 2024}).track, 0);
  EXPECT_EQ(tags::cleaned({.track = -1, .trackCount = 5, .year = 2024}).year, 2024);
}

}  // namespace

#include "common/Text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string shown(bool value) {
  return value ? "true" : "false";
}

std::string shown(std::size_t position) {
  return position == std::string::npos ? "none" : std::to_string(position);
}

}  // namespace

// Each row is one call and what it must give. Letter case folds A-Z only: the neighbours of the letter
// ranges ('@' '[' '`' '{', 0x20 apart as the cases are) and the bytes of UTF-8 characters stay as they are.
TEST(Text, HelpersFoldAsciiLettersOnlyAndTrimTheirOwnBytes) {
  using common::Trim;
  const struct {
    const char* call;
    std::string result, expected;
  } cases[] = {
      {"lower", common::lowerAscii("MiXeD 09 @[`{ Z"), "mixed 09 @[`{ z"},
      {"lower keeps UTF-8", common::lowerAscii("\xC3\x89T\xC3\x89"), "\xC3\x89t\xC3\x89"},
      {"trim controls",
       common::trim("\t\r\n \x01"
                    "a b\x1f \x7f"),
       "a b\x1f \x7f"},
      {"trim controls keeps UTF-8",
       common::trim("\xC2\xA0"
                    "a "),
       "\xC2\xA0"
       "a"},
      {"trim controls, all", common::trim(" \x01\t"), ""},
      {"trim whitespace", common::trim(" \t\r\na\x01\n", Trim::Whitespace), "a\x01"},
      {"trim whitespace keeps others", common::trim("\x01\va\f", Trim::Whitespace), "\x01\va\f"},
      {"trim spaces and tabs", common::trim(" \ta b\t\r", Trim::SpacesAndTabs), "a b\t\r"},
      {"trim spaces", common::trim("  \ta ", Trim::Spaces), "\ta"},
      {"trim spaces, all", common::trim("   ", Trim::Spaces), ""},
      {"find", shown(common::findNoCase("x Duration: 1", "DURATION:")), "2"},
      {"find after a partial match", shown(common::findNoCase("aaab", "AAB")), "1"},
      {"find from", shown(common::findNoCase("abAB", "ab", 1)), "2"},
      {"find at the end", shown(common::findNoCase("xyz", "Z", 2)), "2"},
      {"find none", shown(common::findNoCase("abc", "abd")), "none"},
      {"find longer part", shown(common::findNoCase("ab", "abc")), "none"},
      {"find from past the end", shown(common::findNoCase("ab", "", 3)), "none"},
      {"find empty part", shown(common::findNoCase("ab", "", 2)), "2"},
      {"find neighbours", shown(common::findNoCase("@[", "`{")), "none"},
      {"find UTF-8 as bytes", shown(common::findNoCase("\xC3\xA9", "\xC3\x89")), "none"},
      {"contains", shown(common::containsNoCase("video.COM/x", ".com")), "true"},
      {"equals", shown(common::equalsNoCase("Content-Type", "content-TYPE")), "true"},
      {"equals neighbours", shown(common::equalsNoCase("@[", "`{")), "false"},
      {"equals other length", shown(common::equalsNoCase("ab", "abc")), "false"},
      {"starts with", shown(common::startsWithNoCase("HTTPS://host", "https://")), "true"},
      {"starts with, too short", shown(common::startsWithNoCase("http", "https://")), "false"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.result, c.expected) << c.call;
}

// The converter's command line: the text as the program describes it, and the words the child gets.
#include "convert/ConverterCommand.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using Words = std::vector<std::string>;

TEST(ConverterCommand, WithoutOverwriteTheTextIsPlainConcatenation) {
  const auto c =
      convert::makeConverterCommand("/v/a.flv", "/o/a.mp3", "-ar 44100 -ab 128kbit/s -ac 2 ", false);
  EXPECT_EQ(c.text, "ffmpeg -i \"/v/a.flv\" -ar 44100 -ab 128kbit/s -ac 2 \"/o/a.mp3\"");
  EXPECT_EQ(c.words,
            (Words{"ffmpeg", "-i", "/v/a.flv", "-ar", "44100", "-ab", "128k", "-ac", "2", "/o/a.mp3"}));
}

TEST(ConverterCommand, OverwriteAddsMinusYAfterTheName) {
  const auto c = convert::makeConverterCommand("/v/a.flv", "/o/a.wma",
                                               "-ar 44100 -ab 128kbit/s -ac 2 -vn -acodec wmav2 ", true);
  EXPECT_EQ(c.text, "ffmpeg -y -i \"/v/a.flv\" -ar 44100 -ab 128kbit/s -ac 2 -vn -acodec wmav2 \"/o/a.wma\"");
  EXPECT_EQ(c.words, (Words{"ffmpeg", "-y", "-i", "/v/a.flv", "-ar", "44100", "-ab", "128k", "-ac", "2",
                            "-vn", "-acodec", "wmav2", "/o/a.wma"}));
}

TEST(ConverterCommand, FileNamesStayWholeWordsAndBecomeAbsolute) {
  const std::string cwd = std::filesystem::current_path().string();
  const auto c = convert::makeConverterCommand("-i \"x y.flv", "/o/-a \"b c.mp3",
                                               "-ar 44100 -ab 64kbit/s -ac 1 ", false);
  EXPECT_EQ(c.words, (Words{"ffmpeg", "-i", cwd + "/-i \"x y.flv", "-ar", "44100", "-ab", "64k", "-ac", "1",
                            "/o/-a \"b c.mp3"}));
  EXPECT_EQ(c.text,
            "ffmpeg -i \"" + cwd + "/-i \"x y.flv\" -ar 44100 -ab 64kbit/s -ac 1 \"/o/-a \"b c.mp3\"");
}

}  // namespace

// The converter's command line: the text as the program describes it, and the words the child gets.
#include "convert/ConverterCommand.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using Words = std::vector<std::string>;

TEST(ConverterCommand, WithoutOverwriteTheTextIsPlainConcatenation) {
  const auto c =
      convert::makeConverterCommand("/v/a.flv", "/o/a.mp3", "-ar 44100 -ab 128kbit/s -ac 2 ", false);
  EXPECT_EQ(c.text, "ffmpeg -nostdin -i \"/v/a.flv\" -ar 44100 -ab 128kbit/s -ac 2 \"/o/a.mp3\"");
  EXPECT_EQ(c.words, (Words{"ffmpeg", "-nostdin", "-i", "/v/a.flv", "-ar", "44100", "-ab", "128k", "-ac", "2",
                            "/o/a.mp3"}));
}

TEST(ConverterCommand, OverwriteAddsMinusYAfterTheName) {
  const auto c = convert::makeConverterCommand("/v/a.flv", "/o/a.wma",
                                               "-ar 44100 -ab 128kbit/s -ac 2 -vn -acodec wmav2 ", true);
  EXPECT_EQ(
      c.text,
      "ffmpeg -nostdin -y -i \"/v/a.flv\" -ar 44100 -ab 128kbit/s -ac 2 -vn -acodec wmav2 \"/o/a.wma\"");
  EXPECT_EQ(c.words, (Words{"ffmpeg", "-nostdin", "-y", "-i", "/v/a.flv", "-ar", "44100", "-ab", "128k",
                            "-ac", "2", "-vn", "-acodec", "wmav2", "/o/a.wma"}));
}

TEST(ConverterCommand, FileNamesStayWholeWordsAndBecomeAbsolute) {
  const std::string cwd = std::filesystem::current_path().string();
  const auto c = convert::makeConverterCommand("-i \"x y.flv", "/o/-a \"b c.mp3",
                                               "-ar 44100 -ab 64kbit/s -ac 1 ", false);
  EXPECT_EQ(c.words, (Words{"ffmpeg", "-nostdin", "-i", cwd + "/-i \"x y.flv", "-ar", "44100", "-ab", "64k",
                            "-ac", "1", "/o/-a \"b c.mp3"}));
  EXPECT_EQ(c.text, "ffmpeg -nostdin -i \"" + cwd +
                        "/-i \"x y.flv\" -ar 44100 -ab 64kbit/s -ac 1 \"/o/-a \"b c.mp3\"");
}

TEST(ConverterCommand, PartialNameIsHiddenBesideTheOutputWithItsExtension) {
  const std::string dir = std::filesystem::temp_directory_path().string();
  const std::string a = convert::partialOutputName(dir + "/song.mp3");
  const std::string b = convert::partialOutputName(dir + "/song.mp3");
  EXPECT_EQ(std::filesystem::path(a).parent_path(), std::filesystem::path(dir));
  EXPECT_EQ(std::filesystem::path(a).filename().string().rfind(".song.partial-", 0), 0u) << a;
  EXPECT_EQ(std::filesystem::path(a).extension(), ".mp3");
  EXPECT_NE(a, b);
  // A name at the longest a file name may be still gives a partial name that fits.
  const std::string longName = convert::partialOutputName(dir + "/" + std::string(251, 'n') + ".wav");
  EXPECT_LE(std::filesystem::path(longName).filename().string().size(), 255u);
  EXPECT_EQ(std::filesystem::path(longName).extension(), ".wav");
}

}  // namespace

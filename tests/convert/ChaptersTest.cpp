// Chapters as tracks: which chapters can be cut (overlapping, past the end, empty titles), how their files
// are named, and real videos with chapters split by the real ffmpeg into a folder of tagged files, with one
// progress for the whole video and one overwrite question for the folder.
#include "ConvertTestSupport.h"
#include "StageRun.h"

#include "common/AudioFormats.h"
#include "convert/MediaProbe.h"
#include "support/ScriptedDialogs.h"
#include "support/TempDir.h"
#include "tags/AudioTags.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;
using convert::Chapter;
using testing_support::ScriptedDialogs;
using testing_support::TempDir;

std::string describe(const std::vector<Chapter>& chapters) {
  std::string text;
  for (const Chapter& c : chapters) {
    char line[64];
    std::snprintf(line, sizeof line, "%.1f-%.1f ", c.start, c.end);
    text += line + c.title + ";";
  }
  return text;
}

TEST(UsableChapters, CutsOverlapsAndTheEndAndNamesEmptyTitles) {
  const struct {
    std::string name;
    std::vector<Chapter> chapters;
    double duration;
    std::string usable;
  } rows[] = {
      {"in order", {{0, 10, "A"}, {10, 20, "B"}}, 20, "0.0-10.0 A;10.0-20.0 B;"},
      {"overlapping", {{0, 15, "A"}, {10, 20, "B"}}, 20, "0.0-10.0 A;10.0-20.0 B;"},
      {"out of order", {{10, 20, "B"}, {0, 10, "A"}}, 20, "0.0-10.0 A;10.0-20.0 B;"},
      {"past the end", {{0, 10, "A"}, {10, 99, "B"}, {30, 40, "C"}}, 25, "0.0-10.0 A;10.0-25.0 B;"},
      {"empty titles", {{0, 5, ""}, {5, 10, " \t"}}, 10, "0.0-5.0 Chapter 1;5.0-10.0 Chapter 2;"},
      {"repeated start", {{0, 5, "A"}, {0, 8, "B"}, {8, 9, "C"}}, 9, "0.0-8.0 B;8.0-9.0 C;"},
      {"empty and negative", {{-3, 4, "A"}, {4, 4, "B"}, {4, 6, "C"}}, 0, "0.0-4.0 A;4.0-6.0 C;"},
      {"none", {}, 10, ""},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(describe(convert::usableChapters(row.chapters, row.duration)), row.usable) << row.name;
  }
  std::vector<Chapter> many;
  for (int i = 0; i < 1200; ++i) many.push_back({static_cast<double>(i), static_cast<double>(i + 1), "x"});
  EXPECT_EQ(convert::usableChapters(many, 0).size(), convert::kMaxChapters);
}

TEST(ChapterFileName, NumbersTheChapterAndMakesTheTitleSafe) {
  const struct {
    int number, count;
    std::string title, name;
  } rows[] = {
      {1, 3, "Intro", "01 - Intro.mp3"},
      {12, 99, "Outro", "12 - Outro.mp3"},
      {7, 100, "Song", "007 - Song.mp3"},
      {2, 3, "A/B: c? <d>|e*\\f", "02 - AB c def.mp3"},
      {3, 3, "../../etc/passwd", "03 - etcpasswd.mp3"},
      {1, 2, "///", "01 - Chapter 1.mp3"},
  };
  for (const auto& row : rows)
    EXPECT_EQ(download::chapterFileName(row.number, row.count, row.title, ".mp3"), row.name);
  const std::string longName = download::chapterFileName(1, 2, std::string(400, 'x'), ".flac");
  EXPECT_LE(longName.size(), 255u);
  EXPECT_EQ(longName.substr(longName.size() - 5), ".flac");
}

class ChaptersTest : public testing::Test {
 protected:
  void SetUp() override {
    convert::createConvertProcess();
    // A 6-second video with three chapters of two seconds: one with a title that is no file name, one
    // without.
    const std::string metadata =
        dir_.write("chapters.txt",
                   ";FFMETADATA1\ntitle=Concert\n"
                   "[CHAPTER]\nTIMEBASE=1/1000\nSTART=0\nEND=2000\ntitle=Intro\n"
                   "[CHAPTER]\nTIMEBASE=1/1000\nSTART=2000\nEND=4000\ntitle=\n"
                   "[CHAPTER]\nTIMEBASE=1/1000\nSTART=4000\nEND=6000\ntitle=Song: A/B?\n");
    convert_test::makeMedia({"-f",
                             "lavfi",
                             "-i",
                             "testsrc=s=64x48:d=6:r=10",
                             "-f",
                             "lavfi",
                             "-i",
                             "sine=frequency=440:duration=6",
                             "-i",
                             metadata,
                             "-map",
                             "0",
                             "-map",
                             "1",
                             "-map_metadata",
                             "2",
                             "-map_chapters",
                             "2",
                             "-c:v",
                             "mpeg4",
                             "-c:a",
                             "aac"},
                            video_);
  }
  void TearDown() override { convert::destroyConvertProcess(); }

  download::ConversionOrder order(const std::string& formatName) const {
    const common::AudioFormat* format = common::audioFormatAt(common::audioFormatIndex(formatName));
    return {.input = video_,
            .output = dir_.file("Concert") + std::string(format->extension),
            .arguments = std::string(format->converterArgs),
            .tags = {.title = "Concert", .artist = "Band", .comment = "http://127.0.0.1/watch?v=c"},
            .originalAudio = format->keepsStream,
            .splitChapters = true};
  }

  TempDir dir_;
  std::string video_ = dir_.file("concert.mp4");
};

TEST_F(ChaptersTest, EachChapterBecomesATaggedFileInAFolderNamedAfterTheVideo) {
  const struct { std::string format, extension; } rows[] = {{"mp3-128", ".mp3"}, {"original", ".m4a"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.format);
    fs::remove_all(dir_.file("Concert"));
    const convert_test::StageRun run = convert_test::runStage(order(row.format));
    ASSERT_TRUE(run.result.has_value());
    ASSERT_EQ(run.result->status, download::ConversionResult::Status::Done) << run.result->message;
    const std::string folder = dir_.file("Concert");
    EXPECT_EQ(run.named, folder);
    EXPECT_EQ(run.result->output, folder);
    const std::vector<std::string> names = {"01 - Intro", "02 - Chapter 2", "03 - Song AB"};
    const std::vector<std::string> titles = {"Intro", "Chapter 2", "Song: A/B?"};
    ASSERT_EQ(run.result->files.size(), 3u);
    EXPECT_EQ(run.chapters, (std::vector<std::string>{"1/3 Intro", "2/3 Chapter 2", "3/3 Song: A/B?"}));
    for (std::size_t k = 0; k < 3; ++k) {
      const std::string file = folder + "/" + names[k] + row.extension;
      EXPECT_EQ(run.result->files[k], file);
      ASSERT_TRUE(fs::exists(file));
      EXPECT_NEAR(std::stod(convert_test::captureTool({"ffprobe", "-v", "error", "-show_entries",
                                                       "format=duration", "-of", "csv=p=0", file})),
                  2.0, 0.2);
      const tags::ReadTags read = tags::readTags(file);
      ASSERT_TRUE(read.readable);
      EXPECT_EQ(read.tags.title, titles[k]);
      EXPECT_EQ(read.tags.album, "Concert");
      EXPECT_EQ(read.tags.artist, "Band");
      EXPECT_EQ(read.tags.track, static_cast<int>(k) + 1);
      EXPECT_EQ(read.tags.trackCount, 3);
      EXPECT_EQ(read.tags.comment, "http://127.0.0.1/watch?v=c");
    }
    // One bar for the whole video: it only goes forward, and ends at 100.
    ASSERT_FALSE(run.percents.empty());
    EXPECT_TRUE(std::is_sorted(run.percents.begin(), run.percents.end()));
    EXPECT_EQ(run.percents.back(), 100);
  }
}

// The resolver's chapters take the place of the file's own; they are cut to the video as the file's are.
TEST_F(ChaptersTest, TheResolversChaptersAreUsedAndCutToTheVideo) {
  download::ConversionOrder given = order("flac");
  given.chapters = {{0, 4, "First"}, {3, 99, "Second"}, {50, 60, "Beyond"}};
  const convert_test::StageRun run = convert_test::runStage(given);
  ASSERT_TRUE(run.result.has_value());
  ASSERT_EQ(run.result->status, download::ConversionResult::Status::Done) << run.result->message;
  ASSERT_EQ(run.result->files, (std::vector<std::string>{dir_.file("Concert/01 - First.flac"),
                                                         dir_.file("Concert/02 - Second.flac")}));
  EXPECT_NEAR(
      std::stod(convert_test::captureTool({"ffprobe", "-v", "error", "-show_entries", "format=duration",
                                           "-of", "csv=p=0", run.result->files[1]})),
      3.0, 0.2);
}

// The folder is asked about once, however many files it holds; the files are then replaced without a word.
TEST_F(ChaptersTest, TheFolderIsAskedAboutOnce) {
  ScriptedDialogs dialogs;
  ASSERT_EQ(convert_test::runStage(order("ogg")).result->status, download::ConversionResult::Status::Done);
  EXPECT_TRUE(dialogs.shown().empty());
  dialogs.answer(platform::ModalResult::Yes);
  ASSERT_EQ(convert_test::runStage(order("ogg")).result->status, download::ConversionResult::Status::Done);
  ASSERT_EQ(dialogs.shown().size(), 1u);
  EXPECT_NE(dialogs.shown()[0].text.find(dir_.file("Concert")), std::string::npos) << dialogs.shown()[0].text;
  dialogs.answer(platform::ModalResult::No);
  const convert_test::StageRun kept = convert_test::runStage(order("ogg"));
  EXPECT_EQ(kept.result->status, download::ConversionResult::Status::Kept);
  EXPECT_EQ(dialogs.shown().size(), 2u);
}

TEST_F(ChaptersTest, AVideoWithoutChaptersGivesOneFile) {
  const std::string plain = dir_.file("plain.flv");
  convert_test::makeVideo(plain, 2);
  download::ConversionOrder given = order("mp3-64");
  given.input = plain;
  const convert_test::StageRun run = convert_test::runStage(given);
  ASSERT_TRUE(run.result.has_value());
  ASSERT_EQ(run.result->status, download::ConversionResult::Status::Done) << run.result->message;
  EXPECT_EQ(run.result->files, std::vector<std::string>{dir_.file("Concert.mp3")});
  EXPECT_TRUE(run.chapters.empty());
  EXPECT_EQ(tags::readTags(dir_.file("Concert.mp3")).tags.title, "Concert");
}

}  // namespace

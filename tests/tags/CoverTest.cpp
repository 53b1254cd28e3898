// The cover: fetched by the program's own client from servers on 127.0.0.1 (a failure, a reply that is no
// picture, 50 MB with and without a length: the job goes on without a cover, and the fetch stops at 10 MB),
// then checked, cropped only when letterboxed, and made JPEG by the real ffmpeg; a local file keeps its own
// tags and picture.
#include "ConvertTestSupport.h"
#include "ScriptedPeer.h"
#include "StageRun.h"

#include "download/CoverFetch.h"
#include "support/TempDir.h"
#include "support/WaitFor.h"
#include "tags/AudioTags.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <optional>

namespace {

using testing_support::ScriptedPeer;
using testing_support::TempDir;

std::string reply(const std::string& status, const std::string& body, bool withLength = true) {
  return "HTTP/1.0 " + status + "\r\nContent-Type: image/png\r\n" +
         (withLength ? "Content-Length: " + std::to_string(body.size()) + "\r\n" : std::string()) + "\r\n" +
         body;
}

std::string fsStem(const std::string& path) {
  return std::filesystem::path(path).stem().string();
}

std::optional<download::CoverResult> fetch(const std::string& url) {
  std::optional<download::CoverResult> result;
  download::CoverFetch stage;
  stage.start(url, [&](download::CoverResult r) { result = std::move(r); });
  EXPECT_FALSE(result.has_value()) << "never told inside start()";
  testing_support::waitFor([&] { return result.has_value(); }, 20000);
  return result;
}

TEST(CoverFetch, FetchesAPictureAndGivesUpOnFailuresAndLargeOnes) {
  TempDir dir;
  const std::string png = dir.file("p.png");
  convert_test::makeMedia({"-f", "lavfi", "-i", "testsrc=s=64x64:d=1", "-frames:v", "1"}, png);
  const std::string picture = testing_support::readFile(png);
  const std::string huge(50 * 1024 * 1024, 'x');
  const struct {
    std::string name, script;
    bool fetched;
    std::string failure;
  } rows[] = {
      {"a picture", reply("200 OK", picture), true, ""},
      {"not found", reply("404 Not Found", "no"), false, "the server answered 404"},
      {"50 MB announced", reply("200 OK", huge), false, "the picture is larger than 10 MB"},
      {"50 MB without a length", reply("200 OK", huge, false), false, "the picture is larger than 10 MB"},
      {"an empty reply", reply("200 OK", ""), false, "the reply holds no picture"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    ScriptedPeer server;
    server.readUntil("\r\n\r\n").send(row.script);
    server.start();
    const auto started = std::chrono::steady_clock::now();
    const auto result = fetch("http://127.0.0.1:" + std::to_string(server.port()) + "/cover.png");
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result->fetched, row.fetched);
    EXPECT_EQ(result->failure, row.failure);
    EXPECT_EQ(result->picture, row.fetched ? picture : std::string());
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(15));
  }
  const auto refused = fetch("http://127.0.0.1:" + std::to_string(ScriptedPeer::unusedPort()) + "/c.jpg");
  ASSERT_TRUE(refused.has_value());
  EXPECT_FALSE(refused->fetched);
  EXPECT_FALSE(refused->failure.empty());
}

class CoverPictureTest : public testing::Test {
 protected:
  void SetUp() override {
    convert::createConvertProcess();
    convert_test::makeVideo(video_, 1);
  }
  void TearDown() override { convert::destroyConvertProcess(); }

  // Converts the video with `picture` as the page's picture; the cover's size ("WxH", empty for none).
  std::string coverOf(const std::string& picture, std::vector<std::string>* notes = nullptr) {
    std::filesystem::remove(dir_.file("song.mp3"));
    const convert_test::StageRun run = convert_test::runStage({.input = video_,
                                                               .output = dir_.file("song.mp3"),
                                                               .arguments = "-ar 44100 -ab 128kbit/s -ac 2 ",
                                                               .tags = {.title = "Song"},
                                                               .picture = picture});
    EXPECT_TRUE(run.result.has_value());
    if (!run.result) return "no result";
    EXPECT_EQ(run.result->status, download::ConversionResult::Status::Done) << run.result->message;
    if (notes != nullptr) *notes = run.notes;
    const tags::ReadTags read = tags::readTags(dir_.file("song.mp3"));
    EXPECT_EQ(read.tags.title, "Song");
    if (read.pictureCount == 0) return {};
    EXPECT_EQ(read.pictureMime, "image/jpeg");
    const std::string jpeg = dir_.write("read.jpg", read.pictureData);
    std::string size = convert_test::captureTool({"ffprobe", "-v", "error", "-show_entries",
                                                  "stream=codec_name,width,height", "-of", "csv=p=0", jpeg});
    while (!size.empty() && size.back() == '\n') size.pop_back();
    return size;
  }

  std::string picture(const std::string& source, const std::string& name) {
    const std::string path = dir_.file(name);
    convert_test::makeMedia({"-f", "lavfi", "-i", source, "-frames:v", "1"}, path);
    return testing_support::readFile(path);
  }

  TempDir dir_;
  std::string video_ = dir_.file("clip.flv");
};

TEST_F(CoverPictureTest, OnlyALetterboxedPictureIsCroppedAndEveryPictureBecomesJpeg) {
  const struct {
    std::string name, source, file, size;
  } rows[] = {
      {"letterboxed square", "color=c=black:s=1280x720,drawbox=x=280:y=0:w=720:h=720:color=red:t=fill",
       "lb.png", "mjpeg,720,720"},
      {"wide without bars", "testsrc=s=640x360", "wide.png", "mjpeg,640,360"},
      {"bars on one side only", "color=c=black:s=640x360,drawbox=x=0:y=0:w=360:h=360:color=red:t=fill",
       "side.png", "mjpeg,640,360"},
      {"WebP", "testsrc=s=300x300", "square.webp", "mjpeg,300,300"},
      {"large", "testsrc=s=2400x2400", "large.png", "mjpeg,1200,1200"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    std::vector<std::string> notes;
    EXPECT_EQ(coverOf(picture(row.source, row.file), &notes), row.size);
    EXPECT_TRUE(notes.empty());
  }
}

TEST_F(CoverPictureTest, WhatIsNoPictureLeavesTheFileWithoutACoverAndSaysSo) {
  const std::string animated = dir_.file("anim.gif");
  convert_test::makeMedia({"-f", "lavfi", "-i", "testsrc=s=64x64:d=1:r=5"}, animated);
  const struct {
    std::string name, bytes;
  } rows[] = {
      {"a page", "<html><body>Not found</body></html>"},
      {"an animation", testing_support::readFile(animated)},
      {"a video", testing_support::readFile(video_)},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    std::vector<std::string> notes;
    EXPECT_EQ(coverOf(row.bytes, &notes), "");
    EXPECT_EQ(notes,
              std::vector<std::string>{"No cover picture: the page's picture address gave no picture."});
  }
}

// A local file keeps its own tags and picture; its name is its title only when it has none.
TEST_F(CoverPictureTest, ALocalFileKeepsItsOwnTagsAndPicture) {
  const std::string cover = dir_.file("own.png");
  convert_test::makeMedia({"-f", "lavfi", "-i", "testsrc=s=200x100", "-frames:v", "1"}, cover);
  const std::string tagged = dir_.file("tagged.mp3");
  convert_test::makeMedia({"-f",
                           "lavfi",
                           "-i",
                           "sine=duration=1",
                           "-i",
                           cover,
                           "-map",
                           "0",
                           "-map",
                           "1",
                           "-c:v",
                           "mjpeg",
                           "-disposition:v",
                           "attached_pic",
                           "-id3v2_version",
                           "3",
                           "-metadata",
                           "title=Own title",
                           "-metadata",
                           "artist=Own artist",
                           "-metadata",
                           "date=2011",
                           "-metadata",
                           "track=2/9"},
                          tagged);
  const std::string bare = dir_.file("bare name.flac");
  convert_test::makeMedia({"-f", "lavfi", "-i", "sine=duration=1"}, bare);
  const struct {
    std::string input, title, artist;
    int year, track, trackCount;
    bool picture;
  } rows[] = {
      {tagged, "Own title", "Own artist", 2011, 2, 9, true},
      {bare, "bare name", "", 0, 0, 0, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.input);
    const std::string output = dir_.file("local.ogg");
    std::filesystem::remove(output);
    const convert_test::StageRun run = convert_test::runStage({.input = row.input,
                                                               .output = output,
                                                               .arguments = "-vn -acodec libvorbis -q:a 6 ",
                                                               .tags = {.title = fsStem(row.input)},
                                                               .localSource = true});
    ASSERT_TRUE(run.result.has_value());
    ASSERT_EQ(run.result->status, download::ConversionResult::Status::Done) << run.result->message;
    const tags::ReadTags read = tags::readTags(output);
    EXPECT_EQ(read.tags.title, row.title);
    EXPECT_EQ(read.tags.artist, row.artist);
    EXPECT_EQ(read.tags.year, row.year);
    EXPECT_EQ(read.tags.track, row.track);
    EXPECT_EQ(read.tags.trackCount, row.trackCount);
    EXPECT_EQ(read.pictureCount, row.picture ? 1 : 0);
    if (row.picture) {
      EXPECT_EQ(read.pictureType, 3);
    }
  }
}

}  // namespace

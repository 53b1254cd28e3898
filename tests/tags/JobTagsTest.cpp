// The whole job with what the resolver told of a video: the song's tags and the page's picture, fetched from
// a server on 127.0.0.1 as the cover; a picture that cannot be had leaves the audio file without a cover, and
// the job says so and ends well.
#include "ConvertTestSupport.h"
#include "ScriptedPeer.h"

#include "download/Job.h"
#include "support/JobInputs.h"
#include "support/KnownStream.h"
#include "support/TempDir.h"
#include "support/WaitFor.h"
#include "tags/AudioTags.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

namespace {

using testing_support::ScriptedPeer;
using testing_support::TempDir;

class Listener final : public download::JobListener {
 public:
  void searching(const std::string&) override {}
  void downloading(const std::string&) override {}
  void downloadProgress(const download::DownloadFigures&) override {}
  void converting(const std::string& file) override { converted = file; }
  void conversionProgress(const download::ConversionFigures&) override {}
  void note(const std::string& text) override { notes.push_back(text); }
  void finished(const download::JobOutcome& result) override { outcome = result; }

  std::string converted;
  std::vector<std::string> notes;
  std::optional<download::JobOutcome> outcome;
};

std::string httpReply(const std::string& status, const std::string& type, const std::string& body) {
  return "HTTP/1.0 " + status + "\r\nContent-Type: " + type +
         "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

TEST(JobTags, TheSongsTagsAndThePagesPictureReachTheAudioFile) {
  convert::createConvertProcess();
  TempDir dir;
  convert_test::makeVideo(dir.file("source.flv"), 1);
  const std::string video = testing_support::readFile(dir.file("source.flv"));
  convert_test::makeMedia({"-f", "lavfi", "-i", "testsrc=s=90x90", "-frames:v", "1"}, dir.file("cover.png"));
  const std::string png = testing_support::readFile(dir.file("cover.png"));
  const struct {
    std::string name, pictureReply;
    bool cover;
    std::vector<std::string> notes;
  } rows[] = {
      {"a picture", httpReply("200 OK", "image/png", png), true, {}},
      {"a picture that is not found",
       httpReply("404 Not Found", "text/html", "<p>no</p>"),
       false,
       {"No cover picture: the server answered 404."}},
      {"a page instead of a picture",
       httpReply("200 OK", "image/png", "<html>not a picture</html>"),
       false,
       {"No cover picture: the page's picture address gave no picture."}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    std::filesystem::remove(dir.file("Band - Song.mp3"));
    ScriptedPeer streams, pictures;
    streams.readUntil("\r\n\r\n").send(httpReply("200 OK", "video/x-flv", video));
    streams.start();
    pictures.readUntil("\r\n\r\n").send(row.pictureReply);
    pictures.start();
    download::FoundStream stream{.url = "http://127.0.0.1:" + std::to_string(streams.port()) + "/v.flv",
                                 .fileName = "Band - Song.flv",
                                 .title = "Band - Song [Video]",
                                 .headers = {},
                                 .downloadOnly = false};
    stream.metadata.track = "Song";
    stream.metadata.artist = "Band";
    stream.metadata.album = "Album";
    stream.metadata.uploadDate = "20200131";
    stream.metadata.pictureUrl = "http://127.0.0.1:" + std::to_string(pictures.port()) + "/cover.png";
    Listener listener;
    download::Job job(
        testing_support::jobInput("https://videos.example/v/1", download::RequestMode::DownloadConvert,
                                  dir.path(), ".mp3", "-ar 44100 -ab 128kbit/s -ac 2 "),
        testing_support::knownStreamParts(stream), listener);
    job.start();
    ASSERT_TRUE(testing_support::waitFor([&] { return listener.outcome.has_value(); }, 30000));
    ASSERT_EQ(listener.outcome->status, download::JobOutcome::Status::Done) << listener.outcome->message;
    const std::string audio = dir.file("Band - Song.mp3");
    EXPECT_EQ(listener.outcome->files, std::vector<std::string>{audio});
    EXPECT_EQ(listener.converted, "Band - Song.mp3");
    EXPECT_EQ(listener.notes, row.notes);
    const tags::ReadTags read = tags::readTags(audio);
    EXPECT_EQ(read.tags.title, "Song");
    EXPECT_EQ(read.tags.artist, "Band");
    EXPECT_EQ(read.tags.album, "Album");
    EXPECT_EQ(read.tags.year, 2020);
    EXPECT_EQ(read.tags.comment, "https://videos.example/v/1");
    EXPECT_EQ(read.pictureCount, row.cover ? 1 : 0);
    if (row.cover) {
      EXPECT_EQ(read.pictureType, 3);
      EXPECT_EQ(read.pictureMime, "image/jpeg");
    }
  }
  convert::destroyConvertProcess();
}

}  // namespace

// The original audio of an audio-only stream saved under the audio file's own name: the file made is never
// deleted as the downloaded video.
TEST(JobTags, TheOriginalAudioNamedLikeItsVideoIsKept) {
  convert::createConvertProcess();
  TempDir dir;
  convert_test::makeMedia({"-f", "lavfi", "-i", "sine=duration=1", "-c:a", "aac"}, dir.file("source.m4a"));
  ScriptedPeer streams;
  streams.readUntil("\r\n\r\n")
      .send(httpReply("200 OK", "audio/mp4", testing_support::readFile(dir.file("source.m4a"))));
  streams.start();
  const std::string out = dir.file("out");
  std::filesystem::create_directories(out);
  download::FoundStream stream{.url = "http://127.0.0.1:" + std::to_string(streams.port()) + "/a.m4a",
                               .fileName = "Song.m4a",
                               .title = "Song",
                               .headers = {},
                               .downloadOnly = false};
  download::JobInput input = testing_support::jobInput(
      "https://videos.example/v/2", download::RequestMode::DownloadConvert, out, "", "-vn -acodec copy ");
  input.originalAudio = true;
  Listener listener;
  download::Job job(input, testing_support::knownStreamParts(stream), listener);
  job.start();
  ASSERT_TRUE(testing_support::waitFor([&] { return listener.outcome.has_value(); }, 30000));
  ASSERT_EQ(listener.outcome->status, download::JobOutcome::Status::Done) << listener.outcome->message;
  EXPECT_EQ(listener.outcome->files, std::vector<std::string>{out + "/Song.m4a"});
  EXPECT_EQ(convert_test::probeStream(out + "/Song.m4a", "codec_name"), "aac");
  EXPECT_EQ(tags::readTags(out + "/Song.m4a").tags.title, "Song");
  convert::destroyConvertProcess();
}

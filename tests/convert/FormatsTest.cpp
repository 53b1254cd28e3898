// The formats: the five new ones made by the real ffmpeg with the source's sample rate and channels, and the
// original audio: copied packet for packet into its codec's container, or converted (and said so) when the
// codec has none of its own. (The table itself is checked with the Start checks, in tests/app.)
#include "ConvertTestSupport.h"
#include "StageRun.h"

#include "common/AudioFormats.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;
using testing_support::TempDir;

class FormatsTest : public testing::Test {
 protected:
  void SetUp() override { convert::createConvertProcess(); }
  void TearDown() override { convert::destroyConvertProcess(); }

  download::ConversionOrder order(const std::string& input, const std::string& formatName,
                                  const std::string& out) {
    const common::AudioFormat* format = common::audioFormatAt(common::audioFormatIndex(formatName));
    return {.input = input,
            .output = dir_.file(out) + std::string(format->extension),
            .arguments = std::string(format->converterArgs),
            .tags = {},
            .originalAudio = format->keepsStream};
  }

  TempDir dir_;
};

// A 32 kHz stereo source stays 32 kHz stereo; Opus is 48 kHz whatever comes in.
TEST_F(FormatsTest, NewFormatsKeepTheSourcesRateAndChannels) {
  const std::string video = dir_.file("source.mp4");
  convert_test::makeMedia({"-f", "lavfi", "-i", "testsrc=s=64x48:d=2:r=10", "-f", "lavfi", "-i",
                           "sine=frequency=440:duration=2:sample_rate=32000", "-ac", "2", "-c:v", "mpeg4",
                           "-c:a", "aac", "-shortest"},
                          video);
  const struct {
    std::string format, codec, sampleRate;
  } rows[] = {
      {"opus", "opus", "48000"},
      {"m4a", "aac", "32000"},
      {"flac", "flac", "32000"},
      {"ogg", "vorbis", "32000"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.format);
    const convert_test::StageRun run = convert_test::runStage(order(video, row.format, "song-" + row.format));
    ASSERT_TRUE(run.result.has_value());
    ASSERT_EQ(run.result->status, download::ConversionResult::Status::Done) << run.result->message;
    ASSERT_EQ(run.result->files.size(), 1u);
    const std::string& audio = run.result->files[0];
    EXPECT_EQ(audio, run.named);
    EXPECT_EQ(convert_test::probeStream(audio, "codec_name"), row.codec);
    EXPECT_EQ(convert_test::probeStream(audio, "sample_rate"), row.sampleRate);
    EXPECT_EQ(convert_test::probeStream(audio, "channels"), "2");
    EXPECT_EQ(convert_test::captureTool({"ffprobe", "-v", "error", "-select_streams", "v", "-show_entries",
                                         "stream=index", "-of", "csv=p=0", audio}),
              "")
        << "no video stream";
    EXPECT_TRUE(run.notes.empty());
  }
}

// The original audio goes into its codec's container with the site's own packets; a codec without a container
// of its own is converted, and the note says so.
TEST_F(FormatsTest, OriginalCopiesTheStreamIntoItsCodecsContainer) {
  const struct {
    std::string name, codec, container, extension, outCodec;
    bool copied;
  } rows[] = {
      {"aac", "aac", ".mp4", ".m4a", "aac", true},
      {"opus", "libopus", ".mkv", ".opus", "opus", true},
      {"vorbis", "libvorbis", ".mkv", ".ogg", "vorbis", true},
      {"mp3", "libmp3lame", ".flv", ".mp3", "mp3", true},
      {"flac", "flac", ".mkv", ".flac", "flac", true},
      {"pcm", "pcm_s16le", ".flv", ".flac", "flac", false},
      {"nellymoser", "nellymoser", ".flv", ".opus", "opus", false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string video = dir_.file("from-" + row.name + row.container);
    const bool flv = row.container == ".flv";
    convert_test::makeMedia({"-f", "lavfi", "-i", "testsrc=s=64x48:d=2:r=10", "-f", "lavfi", "-i",
                             "sine=frequency=440:duration=2:sample_rate=22050", "-c:v", flv ? "flv" : "mpeg4",
                             "-c:a", row.codec, "-shortest"},
                            video);
    const convert_test::StageRun run =
        convert_test::runStage(order(video, "original", "original-" + row.name));
    ASSERT_TRUE(run.result.has_value());
    ASSERT_EQ(run.result->status, download::ConversionResult::Status::Done) << run.result->message;
    const std::string expected = dir_.file("original-" + row.name) + row.extension;
    EXPECT_EQ(run.named, expected);
    ASSERT_EQ(run.result->files, std::vector<std::string>{expected});
    EXPECT_EQ(convert_test::probeStream(expected, "codec_name"), row.outCodec);
    if (row.copied) {
      const std::vector<std::string> source = convert_test::audioPackets(video);
      ASSERT_FALSE(source.empty());
      EXPECT_EQ(convert_test::audioPackets(expected), source) << "the site's own packets";
      EXPECT_TRUE(run.notes.empty());
    } else {
      ASSERT_EQ(run.notes.size(), 1u);
      EXPECT_NE(run.notes[0].find(row.name == "pcm" ? "converted to FLAC" : "converted to Opus"),
                std::string::npos)
          << run.notes[0];
    }
  }
}

TEST_F(FormatsTest, OriginalSaysEvenLoudnessDoesNotApplyAndAVideoWithoutSoundFails) {
  const std::string video = dir_.file("aac.mp4");
  convert_test::makeMedia({"-f", "lavfi", "-i", "sine=frequency=440:duration=2", "-c:a", "aac"}, video);
  download::ConversionOrder even = order(video, "original", "even");
  even.evenLoudness = true;
  const convert_test::StageRun run = convert_test::runStage(even);
  ASSERT_TRUE(run.result.has_value());
  ASSERT_EQ(run.result->status, download::ConversionResult::Status::Done) << run.result->message;
  EXPECT_EQ(convert_test::audioPackets(dir_.file("even.m4a")), convert_test::audioPackets(video));
  ASSERT_EQ(run.notes.size(), 1u);
  EXPECT_EQ(run.notes[0], "Even loudness does not apply to the original audio: it would need re-encoding.");

  const std::string silent = dir_.file("silent.mp4");
  convert_test::makeMedia({"-f", "lavfi", "-i", "testsrc=s=64x48:d=1:r=10", "-c:v", "mpeg4"}, silent);
  const convert_test::StageRun none = convert_test::runStage(order(silent, "original", "silent"));
  ASSERT_TRUE(none.result.has_value());
  EXPECT_EQ(none.result->status, download::ConversionResult::Status::Failed);
  EXPECT_EQ(none.result->message, "The video has no sound.");
}

}  // namespace

// Every format's tags and front cover, written through TagLib into files the real ffmpeg made, read back
// through TagLib and checked with ffprobe: ID3v2.3 with APIC (MP3), the INFO list and an ID3 chunk (WAV), ASF
// with WM/Picture (WMA), MP4 with covr (M4A), Vorbis comments with picture blocks (FLAC, Ogg Vorbis, Opus).
#include "ConvertTestSupport.h"

#include "support/TempDir.h"
#include "tags/AudioTags.h"

#include <gtest/gtest.h>

namespace {

using testing_support::TempDir;

// A small JPEG made by ffmpeg.
std::string makeJpeg(const TempDir& dir) {
  const std::string path = dir.file("cover.jpg");
  convert_test::makeMedia({"-f", "lavfi", "-i", "testsrc=s=120x120:d=1", "-frames:v", "1"}, path);
  return testing_support::readFile(path);
}

std::string streamTitle(const std::string& file) {
  std::string value =
      convert_test::captureTool({"ffprobe", "-v", "error", "-show_entries", "stream_tags=title", "-of",
                                 "default=noprint_wrappers=1:nokey=1", file});
  while (!value.empty() && value.back() == '\n') value.pop_back();
  return value;
}

TEST(AudioTags, EveryFormatCarriesEveryTagAndTheFrontCover) {
  TempDir dir;
  const std::string jpeg = makeJpeg(dir);
  ASSERT_GT(jpeg.size(), 100u);
  const tags::TagSet tags{.title = "Caf\u00E9: fish & chips \u2013 \"live\"",
                          .artist = "The Band, Guest",
                          .album = "Live 2008",
                          .albumArtist = "The Band",
                          .comment = "http://127.0.0.1:8080/watch?v=clip&list=x",
                          .track = 3,
                          .trackCount = 12,
                          .year = 2008};
  const struct {
    std::string extension, codec;
  } rows[] = {{".mp3", "libmp3lame"}, {".wav", "pcm_s16le"}, {".wma", "wmav2"},   {".m4a", "aac"},
              {".flac", "flac"},      {".ogg", "libvorbis"}, {".opus", "libopus"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.extension);
    const std::string file = dir.file("song" + row.extension);
    convert_test::makeMedia({"-f", "lavfi", "-i", "sine=frequency=440:duration=1", "-c:a", row.codec}, file);
    ASSERT_EQ(tags::writeTags(file, tags, jpeg), "");
    const tags::ReadTags read = tags::readTags(file);
    ASSERT_TRUE(read.readable);
    EXPECT_EQ(read.tags.title, tags.title);
    EXPECT_EQ(read.tags.artist, tags.artist);
    EXPECT_EQ(read.tags.album, tags.album);
    EXPECT_EQ(read.tags.comment, tags.comment);
    EXPECT_EQ(read.tags.track, 3);
    EXPECT_EQ(read.tags.year, 2008);
    EXPECT_EQ(read.pictureCount, 1);
    EXPECT_EQ(read.pictureType, 3) << "the front cover";
    EXPECT_EQ(read.pictureMime, "image/jpeg");
    EXPECT_EQ(read.pictureData, jpeg);
    if (row.extension != ".wav") {
      EXPECT_EQ(read.tags.albumArtist, tags.albumArtist);
      EXPECT_EQ(read.tags.trackCount, 12);
    }
    if (row.extension == ".mp3" || row.extension == ".wav") {
      EXPECT_TRUE(read.hasId3);
      EXPECT_EQ(read.id3Version, 3) << "ID3v2.3";
    }
    if (row.extension == ".wav") {
      EXPECT_TRUE(read.hasInfoList);
    }
    // Another reader sees the same (Ogg files keep their comments with the stream).
    const std::string title = convert_test::probeTag(file, "title");
    EXPECT_EQ(title.empty() ? streamTitle(file) : title, tags.title);
    EXPECT_EQ(convert_test::probeStream(file, "codec_name").empty(), false) << "still a playable file";

    // Written again without a picture: the old one goes, the file stays one file.
    ASSERT_EQ(tags::writeTags(file, {.title = "Second"}, ""), "");
    const tags::ReadTags again = tags::readTags(file);
    EXPECT_EQ(again.tags.title, "Second");
    EXPECT_EQ(again.tags.artist, "");
    EXPECT_EQ(again.pictureCount, 0);
  }
}

TEST(AudioTags, ValuesFromOutsideAreCleanedBeforeTheyAreWritten) {
  TempDir dir;
  const std::string file = dir.file("song.mp3");
  convert_test::makeMedia({"-f", "lavfi", "-i", "sine=frequency=440:duration=1"}, file);
  const std::string nul("\0", 1);
  ASSERT_EQ(tags::writeTags(file,
                            {.title = "one\ntwo" + nul + "three",
                             .artist = std::string(10000, 'a'),
                             .comment = "line 1\r\nline 2" + nul},
                            ""),
            "");
  const tags::ReadTags read = tags::readTags(file);
  EXPECT_EQ(read.tags.title, "one twothree");
  EXPECT_EQ(read.tags.artist, std::string(1000, 'a'));
  EXPECT_EQ(read.tags.comment, "line 1\nline 2");
}

TEST(AudioTags, AFileThatIsNotAudioIsToldNotWritten) {
  TempDir dir;
  const std::string text = dir.write("fake.mp3", "not audio at all");
  EXPECT_NE(tags::writeTags(dir.write("x.mkv", "x"), {.title = "t"}, ""), "");
  EXPECT_FALSE(tags::readTags(dir.file("missing.flac")).readable);
  tags::writeTags(text, {.title = "t"}, "");  // whatever it says, it does not crash
}

}  // namespace

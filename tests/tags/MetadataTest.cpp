// What the resolver says of a video, read from its JSON: the song's tags, the picture to fetch (a square one
// when there is one), the chapters, the chosen stream's codec; and the audio file's tags made from it.
#include "download/VideoMetadata.h"

#include <gtest/gtest.h>

namespace {

using download::VideoMetadata;

TEST(VideoMetadata, ReadsTheSongsTagsPictureChaptersAndCodec) {
  const std::string json = R"({
    "title": "Band - Song [Official Video]", "track": "Song", "track_number": 4,
    "artists": ["Band", "Guest"], "artist": "Band, Guest, Other", "album": "Album", "album_artist": "Band",
    "release_year": 2019, "uploader": "BandVEVO", "channel": "Band", "upload_date": "20200131",
    "playlist_index": 2, "n_entries": 9,
    "thumbnails": [
      {"url": "https://i.example/small.jpg", "width": 120, "height": 90},
      {"url": "https://i.example/square.jpg", "width": 544, "height": 544},
      {"url": "https://i.example/square-small.jpg", "width": 300, "height": 300},
      {"url": "https://i.example/max.webp", "width": 1280, "height": 720}],
    "chapters": [{"start_time": 0, "end_time": 60.5, "title": "Intro"}, {"start_time": 60.5, "end_time": 200,
                  "title": "Song"}, {"start_time": "x", "end_time": 5, "title": "bad"}],
    "formats": [{"url": "https://s.example/a", "acodec": "opus", "vcodec": "none"},
                {"url": "https://s.example/b", "acodec": "mp4a.40.2", "vcodec": "none"}]})";
  const VideoMetadata m = download::readVideoMetadata(json, "https://s.example/b");
  EXPECT_EQ(m.title, "Band - Song [Official Video]");
  EXPECT_EQ(m.track, "Song");
  EXPECT_EQ(m.trackNumber, 4);
  EXPECT_EQ(m.artist, "Band, Guest") << "artists before artist";
  EXPECT_EQ(m.album, "Album");
  EXPECT_EQ(m.albumArtist, "Band");
  EXPECT_EQ(m.releaseYear, 2019);
  EXPECT_EQ(m.uploader, "BandVEVO");
  EXPECT_EQ(m.uploadDate, "20200131");
  EXPECT_EQ(m.playlistIndex, 2);
  EXPECT_EQ(m.playlistCount, 9);
  EXPECT_EQ(m.pictureUrl, "https://i.example/square.jpg") << "the largest square picture";
  ASSERT_EQ(m.chapters.size(), 2u);
  EXPECT_EQ(m.chapters[1].title, "Song");
  EXPECT_DOUBLE_EQ(m.chapters[1].start, 60.5);
  EXPECT_EQ(m.audioCodec, "mp4a.40.2") << "the codec of the stream chosen";
  EXPECT_EQ(download::codecFamily(m.audioCodec), "aac");
}

TEST(VideoMetadata, FallsBackAndRefusesWhatItCannotHold) {
  const struct {
    std::string name, json;
    std::string artist, uploader, picture, codec;
  } rows[] = {
      {"artist alone", R"({"artist": "Solo", "channel": "Chan", "thumbnail": "http://i.example/t.jpg"})",
       "Solo", "Chan", "http://i.example/t.jpg", ""},
      {"no square picture: the last",
       R"({"thumbnails": [{"url": "https://i/a.jpg"}, {"url": "https://i/b.jpg",
        "width": 100, "height": 100}, {"url": "https://i/c.jpg", "width": 640, "height": 480}]})",
       "", "", "https://i/c.jpg", ""},
      {"pictures that are no web address", R"({"thumbnails": [{"url": "file:///etc/passwd"},
        {"url": "javascript:x"}], "thumbnail": "ftp://x/y.jpg"})",
       "", "", "", ""},
      {"a single format", R"({"url": "https://s/x", "acodec": "opus", "creator": "Maker"})", "Maker", "", "",
       "opus"},
      {"a playlist: its first video",
       R"({"_type": "playlist", "entries": [{"uploader": "First"}, {"uploader": "2"}]})", "", "First", "",
       ""},
      {"not JSON", "<html>", "", "", "", ""},
      {"not an object", "[1, 2]", "", "", "", ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const VideoMetadata m = download::readVideoMetadata(row.json, row.codec.empty() ? "" : "https://s/x");
    EXPECT_EQ(m.artist, row.artist);
    EXPECT_EQ(m.uploader, row.uploader);
    EXPECT_EQ(m.pictureUrl, row.picture);
    EXPECT_EQ(m.audioCodec, row.codec);
  }
  const VideoMetadata odd = download::readVideoMetadata(
      R"({"track_number": 1.5, "release_year": -3, "upload_date": "2020-01", "title": ")" +
      std::string(9000, 't') + R"("})");
  EXPECT_EQ(odd.trackNumber, 0);
  EXPECT_EQ(odd.releaseYear, 0);
  EXPECT_EQ(odd.uploadDate, "");
  EXPECT_EQ(odd.title.size(), download::kMaxMetadataText);
}

TEST(VideoMetadata, CodecFamilies) {
  const std::pair<std::string, std::string> rows[] = {{"mp4a.40.2", "aac"},
                                                      {"mp4a.40.5", "aac"},
                                                      {"aac", "aac"},
                                                      {"opus", "opus"},
                                                      {"vorbis", "vorbis"},
                                                      {"mp3", "mp3"},
                                                      {"mp4a.40.34", "mp3"},
                                                      {"flac", "flac"},
                                                      {"none", ""},
                                                      {"ac-3", ""},
                                                      {"", ""}};
  for (const auto& [acodec, family] : rows) EXPECT_EQ(download::codecFamily(acodec), family) << acodec;
}

TEST(VideoTags, TakesTheSongsTagsBeforeThePagesAndTheList) {
  VideoMetadata song;
  song.track = "Song";
  song.trackNumber = 4;
  song.artist = "Band";
  song.album = "Album";
  song.releaseYear = 2019;
  song.uploader = "Uploader";
  song.uploadDate = "20200131";
  VideoMetadata plain;
  plain.uploader = "Channel";
  plain.uploadDate = "20200131";
  plain.playlistIndex = 5;
  plain.playlistCount = 7;
  const struct {
    std::string name;
    VideoMetadata metadata;
    download::TagSources sources;
    tags::TagSet tags;
  } rows[] = {
      {"a song",
       song,
       {.pageTitle = "Band - Song [Video]", .page = "https://v/1"},
       {.title = "Song",
        .artist = "Band",
        .album = "Album",
        .comment = "https://v/1",
        .track = 4,
        .year = 2019}},
      {"a plain video in a playlist",
       plain,
       {.pageTitle = "My clip", .page = "https://v/2"},
       {.title = "My clip",
        .artist = "Channel",
        .comment = "https://v/2",
        .track = 5,
        .trackCount = 7,
        .year = 2020}},
      {"an item of a list",
       plain,
       {.pageTitle = "My clip",
        .page = "https://v/3",
        .listPosition = 2,
        .listCount = 3,
        .listName = "Queue"},
       {.title = "My clip",
        .artist = "Channel",
        .album = "Queue",
        .comment = "https://v/3",
        .track = 2,
        .trackCount = 3,
        .year = 2020}},
      {"a known site's page: its title alone",
       {},
       {.pageTitle = "Sim clip", .page = "http://127.0.0.1/watch"},
       {.title = "Sim clip", .comment = "http://127.0.0.1/watch"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const tags::TagSet t = download::videoTags(row.metadata, row.sources);
    EXPECT_EQ(t.title, row.tags.title);
    EXPECT_EQ(t.artist, row.tags.artist);
    EXPECT_EQ(t.album, row.tags.album);
    EXPECT_EQ(t.comment, row.tags.comment);
    EXPECT_EQ(t.track, row.tags.track);
    EXPECT_EQ(t.trackCount, row.tags.trackCount);
    EXPECT_EQ(t.year, row.tags.year);
  }
}

}  // namespace

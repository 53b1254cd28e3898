// What the resolver (yt-dlp) says of a video beyond its stream, read from the same JSON document: the song's
// tags (track, artists, album, release year, uploader, upload date, place in a playlist), the pictures of the
// page, the chapters, and the audio codec of the stream chosen. The reader is bounded like the stream's: the
// document is refused past kMaxResolverOutput, texts are cut at kMaxMetadataText bytes, at most
// kMaxThumbnails pictures and convert::kMaxChapters chapters are looked at.
#pragma once

#include "convert/MediaProbe.h"
#include "tags/AudioTags.h"

#include <cstddef>
#include <string>
#include <vector>

namespace download {

constexpr std::size_t kMaxMetadataText = 4096;
constexpr std::size_t kMaxThumbnails = 200;
constexpr std::size_t kMaxPictureUrl = 8 * 1024;

struct VideoMetadata {
  std::string title{};   // the video's title
  std::string track{};   // the song's title
  int trackNumber = 0;   // the song's number on its album
  std::string artist{};  // the artists, joined with ", "
  std::string album{};
  std::string albumArtist{};
  int releaseYear = 0;
  std::string uploader{};    // the uploader, else the channel
  std::string uploadDate{};  // "YYYYMMDD"
  int playlistIndex = 0;     // the video's place in a playlist, and the playlist's length
  int playlistCount = 0;
  std::string pictureUrl{};  // the page's picture to use as the cover (http: or https:); empty for none
  std::vector<convert::Chapter> chapters{};
  std::string audioCodec{};  // the acodec of the format whose address is the stream's ("mp4a.40.2", "opus")
};

// Reads the resolver's JSON output; `streamUrl` is the address of the stream chosen from it (its format's
// audio codec is taken). Whatever cannot be read is left empty.
VideoMetadata readVideoMetadata(const std::string& output, const std::string& streamUrl = {});

// A picture of the page as the resolver lists it.
struct Thumbnail {
  std::string url{};
  int width = 0;  // 0: unknown
  int height = 0;
};

// The picture to use as the cover, from a list ordered from worst to best: the largest square one of at least
// 200 pixels when there is one, else the last one. Empty for an empty list.
std::string chooseThumbnail(const std::vector<Thumbnail>& thumbnails);

// The codec family of a resolver's acodec ("mp4a.40.2" -> "aac", "opus", "vorbis", "mp3", "flac"); empty
// when it is not one of these.
std::string codecFamily(const std::string& acodec);

// Where an item's tags come from, beside the video's metadata.
struct TagSources {
  std::string pageTitle{};  // the title the page shows (page rules or resolver)
  std::string page{};       // the page address: the comment
  int listPosition = 0;     // the item's place in a list, and the list's length and name
  int listCount = 0;
  std::string listName{};
};

// The audio file's tags: the song's title (track) else the page's title; the artists else the uploader; the
// album else the list's name; the track number, else the place in the list or playlist; the release year else
// that of the upload; the page address as the comment.
tags::TagSet videoTags(const VideoMetadata& metadata, const TagSources& sources);

}  // namespace download

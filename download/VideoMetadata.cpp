#include "download/VideoMetadata.h"

#include "common/Addresses.h"
#include "common/Text.h"
#include "download/ResolverOutput.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <algorithm>
#include <cmath>

namespace download {
namespace {

std::string text(const QJsonValue& value) {
  std::string s = value.isString() ? value.toString().toStdString() : std::string();
  if (s.size() > kMaxMetadataText) s.resize(kMaxMetadataText);
  return s;
}

// A whole number of at most 9999 (a track, a year, a place in a list); 0 otherwise.
int smallNumber(const QJsonValue& value) {
  if (!value.isDouble()) return 0;
  const double n = value.toDouble();
  if (!std::isfinite(n) || n < 1 || n > 9999 || n != std::floor(n)) return 0;
  return static_cast<int>(n);
}

double seconds(const QJsonValue& value) {
  const double n = value.isDouble() ? value.toDouble() : -1;
  return std::isfinite(n) ? n : -1;
}

bool webAddress(const std::string& url) {
  return !url.empty() && url.size() <= kMaxPictureUrl && common::isWebAddress(url);
}

std::string joinedArtists(const QJsonObject& video) {
  std::string joined;
  for (const QJsonValue& artist : video.value("artists").toArray()) {
    const std::string name = common::trim(text(artist));
    if (name.empty() || joined.size() > kMaxMetadataText) continue;
    joined += (joined.empty() ? "" : ", ") + name;
  }
  if (!joined.empty()) return joined;
  for (const char* key : {"artist", "creator"}) {
    if (std::string name = common::trim(text(video.value(key))); !name.empty()) return name;
  }
  return {};
}

std::string pictureOf(const QJsonObject& video) {
  std::vector<Thumbnail> thumbnails;
  for (const QJsonValue& value : video.value("thumbnails").toArray()) {
    if (thumbnails.size() >= kMaxThumbnails) break;
    const QJsonObject thumbnail = value.toObject();
    const std::string url = text(thumbnail.value("url"));
    if (!webAddress(url)) continue;
    thumbnails.push_back(
        {url, smallNumber(thumbnail.value("width")), smallNumber(thumbnail.value("height"))});
  }
  if (!thumbnails.empty()) return chooseThumbnail(thumbnails);
  const std::string single = text(video.value("thumbnail"));
  return webAddress(single) ? single : std::string();
}

std::string codecOfStream(const QJsonObject& video, const std::string& streamUrl) {
  if (!streamUrl.empty()) {
    for (const QJsonValue& value : video.value("formats").toArray()) {
      const QJsonObject format = value.toObject();
      if (format.value("url").toString().toStdString() == streamUrl) return text(format.value("acodec"));
    }
    if (video.value("url").toString().toStdString() != streamUrl) return {};
  }
  return text(video.value("acodec"));
}

}  // namespace

VideoMetadata readVideoMetadata(const std::string& output, const std::string& streamUrl) {
  VideoMetadata metadata;
  if (output.size() > kMaxResolverOutput) return metadata;
  QJsonParseError error{};
  const QJsonDocument document =
      QJsonDocument::fromJson(QByteArray(output.data(), static_cast<qsizetype>(output.size())), &error);
  if (error.error != QJsonParseError::NoError || !document.isObject()) return metadata;
  QJsonObject video = document.object();
  // A page of several videos: the first one, as the stream is.
  if (text(video.value("_type")) == "playlist") {
    const QJsonArray entries = video.value("entries").toArray();
    const auto first =
        std::find_if(entries.begin(), entries.end(), [](const QJsonValue& v) { return v.isObject(); });
    if (first == entries.end()) return metadata;
    video = first->toObject();
  }
  metadata.title = text(video.value("title"));
  metadata.track = text(video.value("track"));
  metadata.trackNumber = smallNumber(video.value("track_number"));
  metadata.artist = joinedArtists(video);
  metadata.album = text(video.value("album"));
  metadata.albumArtist = text(video.value("album_artist"));
  if (metadata.albumArtist.empty()) {
    const QJsonArray albumArtists = video.value("album_artists").toArray();
    if (!albumArtists.isEmpty()) metadata.albumArtist = text(albumArtists.first());
  }
  metadata.releaseYear = smallNumber(video.value("release_year"));
  metadata.uploader = text(video.value("uploader"));
  if (metadata.uploader.empty()) metadata.uploader = text(video.value("channel"));
  const std::string date = text(video.value("upload_date"));
  if (date.size() == 8 && std::all_of(date.begin(), date.end(), [](char c) { return c >= '0' && c <= '9'; }))
    metadata.uploadDate = date;
  metadata.playlistIndex = smallNumber(video.value("playlist_index"));
  metadata.playlistCount = smallNumber(video.value("n_entries"));
  if (metadata.playlistCount == 0) metadata.playlistCount = smallNumber(video.value("playlist_count"));
  metadata.pictureUrl = pictureOf(video);
  for (const QJsonValue& value : video.value("chapters").toArray()) {
    if (metadata.chapters.size() >= convert::kMaxChapters) break;
    const QJsonObject chapter = value.toObject();
    const double start = seconds(chapter.value("start_time")), end = seconds(chapter.value("end_time"));
    if (start < 0 || end < 0) continue;
    metadata.chapters.push_back({.start = start, .end = end, .title = text(chapter.value("title"))});
  }
  metadata.audioCodec = codecOfStream(video, streamUrl);
  return metadata;
}

std::string chooseThumbnail(const std::vector<Thumbnail>& thumbnails) {
  if (thumbnails.empty()) return {};
  const Thumbnail* best = nullptr;
  for (const Thumbnail& t : thumbnails) {
    if (t.width >= 200 && t.width == t.height && (best == nullptr || t.width > best->width)) best = &t;
  }
  return best != nullptr ? best->url : thumbnails.back().url;
}

std::string codecFamily(const std::string& acodec) {
  const std::string codec = common::lowerAscii(acodec);
  const auto starts = [&](const char* prefix) { return codec.rfind(prefix, 0) == 0; };
  // MPEG-4 audio object type 34 (0x22) and 0x6b are MP3 inside MP4.
  if (codec == "mp3" || codec == "mp4a.40.34" || codec == "mp4a.6b" || codec == "mp4a.69") return "mp3";
  if (starts("mp4a") || codec == "aac") return "aac";
  if (codec == "opus") return "opus";
  if (codec == "vorbis") return "vorbis";
  if (codec == "flac" || codec == "fla") return "flac";
  return {};
}

tags::TagSet videoTags(const VideoMetadata& metadata, const TagSources& sources) {
  tags::TagSet tags;
  tags.title = !metadata.track.empty()      ? metadata.track
               : !sources.pageTitle.empty() ? sources.pageTitle
                                            : metadata.title;
  tags.artist = !metadata.artist.empty() ? metadata.artist : metadata.uploader;
  tags.album = !metadata.album.empty() ? metadata.album : sources.listName;
  tags.albumArtist = metadata.albumArtist;
  if (metadata.trackNumber > 0) {
    tags.track = metadata.trackNumber;
  } else if (sources.listPosition > 0) {
    tags.track = sources.listPosition;
    tags.trackCount = sources.listCount;
  } else if (metadata.playlistIndex > 0) {
    tags.track = metadata.playlistIndex;
    tags.trackCount = metadata.playlistCount;
  }
  tags.year = metadata.releaseYear > 0       ? metadata.releaseYear
              : !metadata.uploadDate.empty() ? std::stoi(metadata.uploadDate.substr(0, 4))
                                             : 0;
  tags.comment = sources.page;
  return tags;
}

}  // namespace download

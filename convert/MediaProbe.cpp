#include "convert/MediaProbe.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QString>

#include <algorithm>
#include <cmath>

namespace convert {
namespace {

std::string text(const QJsonValue& value) {
  std::string s = value.isString() ? value.toString().toStdString() : std::string();
  if (s.size() > kMaxProbeText) s.resize(kMaxProbeText);
  return s;
}

// ffprobe writes numbers as strings ("44100", "12.345000").
double number(const QJsonValue& value) {
  if (value.isDouble()) return value.toDouble();
  bool ok = false;
  const double n = value.toString().toDouble(&ok);
  return ok && std::isfinite(n) ? n : 0;
}

// A tag of the file, whatever letter case its format writes the key in.
std::string tag(const QJsonObject& tags, const char* key) {
  for (auto it = tags.begin(); it != tags.end(); ++it) {
    if (it.key().compare(QString::fromLatin1(key), Qt::CaseInsensitive) == 0) return text(it.value());
  }
  return {};
}

}  // namespace

std::vector<std::string> probeCommand(const std::string& file) {
  return {"ffprobe",        "-v", "error", "-print_format", "json", "-show_format", "-show_streams",
          "-show_chapters", "--", file};
}

MediaInfo readProbeOutput(const std::string& output) {
  MediaInfo info;
  if (output.size() > kMaxProbeOutput) return info;
  QJsonParseError error{};
  const QJsonDocument document =
      QJsonDocument::fromJson(QByteArray(output.data(), static_cast<qsizetype>(output.size())), &error);
  if (error.error != QJsonParseError::NoError || !document.isObject()) return info;
  info.readable = true;
  const QJsonObject root = document.object();
  for (const QJsonValue& value : root.value("streams").toArray()) {
    const QJsonObject stream = value.toObject();
    const std::string type = text(stream.value("codec_type"));
    if (type == "audio" && !info.hasAudio) {
      info.hasAudio = true;
      info.audioCodec = text(stream.value("codec_name"));
      info.sampleRate = static_cast<int>(number(stream.value("sample_rate")));
      info.channels = stream.value("channels").toInt();
    } else if (type == "video" && info.pictureStream < 0 &&
               stream.value("disposition").toObject().value("attached_pic").toInt() == 1) {
      info.pictureStream = stream.value("index").toInt(-1);
    }
  }
  const QJsonObject format = root.value("format").toObject();
  info.duration = std::max(0.0, number(format.value("duration")));
  const QJsonObject tags = format.value("tags").toObject();
  info.tags = {.title = tag(tags, "title"),
               .artist = tag(tags, "artist"),
               .album = tag(tags, "album"),
               .albumArtist = tag(tags, "album_artist"),
               .comment = tag(tags, "comment"),
               .date = tag(tags, "date"),
               .track = tag(tags, "track")};
  for (const QJsonValue& value : root.value("chapters").toArray()) {
    if (info.chapters.size() >= kMaxChapters) break;
    const QJsonObject chapter = value.toObject();
    info.chapters.push_back({.start = number(chapter.value("start_time")),
                             .end = number(chapter.value("end_time")),
                             .title = tag(chapter.value("tags").toObject(), "title")});
  }
  return info;
}

std::vector<Chapter> usableChapters(std::vector<Chapter> chapters, double duration) {
  constexpr double kShortest = 0.1;
  std::stable_sort(chapters.begin(), chapters.end(),
                   [](const Chapter& a, const Chapter& b) { return a.start < b.start; });
  std::vector<Chapter> out;
  for (std::size_t i = 0; i < chapters.size() && out.size() < kMaxChapters; ++i) {
    Chapter c = chapters[i];
    if (!std::isfinite(c.start) || !std::isfinite(c.end)) continue;
    c.start = std::max(0.0, c.start);
    if (i + 1 < chapters.size()) c.end = std::min(c.end, chapters[i + 1].start);
    if (duration > 0) c.end = std::min(c.end, duration);
    if (c.end - c.start < kShortest) continue;
    out.push_back(std::move(c));
  }
  for (std::size_t i = 0; i < out.size(); ++i) {
    if (out[i].title.find_first_not_of(" \t\r\n") == std::string::npos)
      out[i].title = "Chapter " + std::to_string(i + 1);
  }
  return out;
}

}  // namespace convert

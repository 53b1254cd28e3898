#include "convert/CoverPicture.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cstdlib>

namespace convert {
namespace {

std::string streamMap(int stream) {
  return stream < 0 ? std::string("0:v:0") : "0:" + std::to_string(stream);
}

bool sideFits(int side) {
  return side >= kMinPictureSide && side <= kMaxPictureSide;
}

}  // namespace

std::vector<std::string> pictureProbeCommand(const std::string& file) {
  return {"ffprobe",
          "-v",
          "error",
          "-select_streams",
          "v:0",
          "-count_packets",
          "-show_entries",
          "stream=codec_name,width,height,nb_read_packets:format=format_name",
          "-print_format",
          "json",
          "--",
          file};
}

PictureBox readPictureProbe(const std::string& output) {
  if (output.size() > 64 * 1024) return {};
  const QJsonDocument document =
      QJsonDocument::fromJson(QByteArray(output.data(), static_cast<qsizetype>(output.size())));
  const QJsonArray streams = document.object().value("streams").toArray();
  if (streams.isEmpty()) return {};
  const QJsonObject stream = streams.first().toObject();
  // One picture: an image container, or a single frame (an animated GIF or WebP has several).
  const QString container = document.object().value("format").toObject().value("format_name").toString();
  const bool imageContainer = container.endsWith("_pipe") || container == "image2" || container == "gif";
  const int frames = stream.value("nb_read_packets").toString().toInt();
  if (!imageContainer || frames != 1) return {};
  const int width = stream.value("width").toInt(), height = stream.value("height").toInt();
  if (!sideFits(width) || !sideFits(height)) return {};
  return {.width = width, .height = height, .x = 0, .y = 0};
}

std::vector<std::string> cropDetectCommand(const std::string& file, int stream) {
  return {"ffmpeg",
          "-nostdin",
          "-hide_banner",
          "-v",
          "info",
          "-i",
          file,
          "-map",
          streamMap(stream),
          "-frames:v",
          "1",
          "-vf",
          "cropdetect=limit=24:round=2:skip=0",
          "-f",
          "null",
          "-"};
}

PictureBox readCropDetect(const std::string& errors) {
  const std::size_t at = errors.rfind("crop=");
  if (at == std::string::npos) return {};
  int values[4] = {0, 0, 0, 0};
  const char* p = errors.c_str() + at + 5;
  for (int i = 0; i < 4; ++i) {
    char* end = nullptr;
    const long v = std::strtol(p, &end, 10);
    if (end == p || v < 0 || v > kMaxPictureSide) return {};
    values[i] = static_cast<int>(v);
    p = end;
    if (i < 3) {
      if (*p != ':') return {};
      ++p;
    }
  }
  return {.width = values[0], .height = values[1], .x = values[2], .y = values[3]};
}

PictureBox letterboxSquare(int width, int height, const PictureBox& content) {
  if (width <= height || content.width <= 0 || content.height <= 0) return {};
  const int left = content.x, right = width - content.x - content.width;
  if (left < width / 20 || right < width / 20) return {};
  const int side = std::max(content.width, content.height);
  if (std::abs(content.width - content.height) * 10 > side) return {};
  // The square around the content, as high as the picture at most.
  const int square = std::min(side, height);
  const int centreX = content.x + content.width / 2, centreY = content.y + content.height / 2;
  const int x = std::clamp(centreX - square / 2, 0, width - square);
  const int y = std::clamp(centreY - square / 2, 0, height - square);
  return {.width = square, .height = square, .x = x, .y = y};
}

std::vector<std::string> jpegCommand(const std::string& input, int stream, const PictureBox& crop,
                                     const std::string& output) {
  std::string filter;
  if (crop.width > 0) {
    filter = "crop=" + std::to_string(crop.width) + ":" + std::to_string(crop.height) + ":" +
             std::to_string(crop.x) + ":" + std::to_string(crop.y) + ",";
  }
  const std::string side = std::to_string(kMaxCoverSide);
  filter += "scale='min(" + side + ",iw)':'min(" + side + ",ih)':force_original_aspect_ratio=decrease";
  return {"ffmpeg",   "-nostdin",        "-hide_banner", "-v", "error", "-y",     "-i",   input,
          "-map",     streamMap(stream), "-frames:v",    "1",  "-vf",   filter,   "-c:v", "mjpeg",
          "-pix_fmt", "yuvj420p",        "-q:v",         "3",  "-f",    "image2", output};
}

bool isJpeg(const std::string& bytes) {
  return bytes.size() > 3 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
         static_cast<unsigned char>(bytes[1]) == 0xD8 && static_cast<unsigned char>(bytes[2]) == 0xFF;
}

}  // namespace convert

// A cover picture made ready for the tags by ffmpeg: checked to be one picture of a sensible size, cropped to
// a square only when its sides are letterbox bars (a square picture shown in a wide frame), and turned into
// JPEG. Sites serve WebP and PNG as well; the tags take JPEG alone.
#pragma once

#include <string>
#include <vector>

namespace convert {

// The largest side a cover keeps; a larger picture is scaled down.
constexpr int kMaxCoverSide = 1200;
// The smallest and largest side of a picture taken at all.
constexpr int kMinPictureSide = 16;
constexpr int kMaxPictureSide = 16384;

struct PictureBox {
  int width = 0, height = 0, x = 0, y = 0;
};

// The words of the ffprobe run that tells what `file` holds (codec, size and container of its first video
// stream).
std::vector<std::string> pictureProbeCommand(const std::string& file);

// The picture's size from that run's JSON output; nothing (width 0) when the file is not one picture: no
// video stream, a container of moving pictures, or a side outside kMinPictureSide..kMaxPictureSide.
PictureBox readPictureProbe(const std::string& output);

// The words of the ffmpeg run that finds the picture's content without its black bars: stream `stream` of
// `file` (-1: the first video stream).
std::vector<std::string> cropDetectCommand(const std::string& file, int stream);

// The content box from that run's error output (its last "crop=W:H:X:Y"); width 0 when there is none.
PictureBox readCropDetect(const std::string& errors);

// The square to crop a `width` x `height` picture to, given its content box: only when the picture is wider
// than high, the bars lie on both sides (each at least 5% of the width) and the content is nearly square
// (within 10%); width 0 otherwise (the picture is kept whole).
PictureBox letterboxSquare(int width, int height, const PictureBox& content);

// The words of the ffmpeg run that writes stream `stream` of `input` (-1: the first video stream) as the JPEG
// `output`, cropped to `crop` when its width is not 0, at most kMaxCoverSide on each side.
std::vector<std::string> jpegCommand(const std::string& input, int stream, const PictureBox& crop,
                                     const std::string& output);

// True when `bytes` begin as a JPEG file does.
bool isJpeg(const std::string& bytes);

}  // namespace convert

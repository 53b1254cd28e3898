// What a media file holds, as ffprobe tells it in JSON: the first audio stream's codec, sample rate and
// channels, the duration, the chapters, the file's own tags and an attached picture. The reader is bounded:
// output larger than kMaxProbeOutput is refused, and at most kMaxChapters chapters and kMaxProbeText bytes of
// a text are taken.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace convert {

constexpr std::size_t kMaxProbeOutput = 4 * 1024 * 1024;
constexpr std::size_t kMaxChapters = 999;  // "001" to "999"
constexpr std::size_t kMaxProbeText = 4096;

// A stretch of the video with a title of its own, in seconds from the start.
struct Chapter {
  double start = 0;
  double end = 0;
  std::string title{};
};

// The tags a file carries itself (a local file keeps them in its audio file).
struct FileTags {
  std::string title{};
  std::string artist{};
  std::string album{};
  std::string albumArtist{};
  std::string comment{};
  std::string date{};
  std::string track{};
  bool empty() const {
    return title.empty() && artist.empty() && album.empty() && albumArtist.empty() && comment.empty() &&
           date.empty() && track.empty();
  }
};

struct MediaInfo {
  bool readable = false;  // the output was read
  bool hasAudio = false;
  std::string
      audioCodec{};  // ffprobe's codec name of the first audio stream ("aac", "opus", "pcm_s16le", ...)
  int sampleRate = 0;
  int channels = 0;
  double duration = 0;  // seconds; 0 when unknown
  std::vector<Chapter> chapters{};
  FileTags tags;
  int pictureStream = -1;  // the index of an attached picture stream; -1 for none
};

// The words of the ffprobe run that describes `file`.
std::vector<std::string> probeCommand(const std::string& file);

// Reads ffprobe's JSON output.
MediaInfo readProbeOutput(const std::string& output);

// The chapters that can be cut from a video of `duration` seconds (0: unknown): in order of their start, each
// ending where the next begins at the latest and at the video's end, none shorter than a tenth of a second
// (chapters that overlap, repeat or lie past the end are cut or left out), at most kMaxChapters. Empty titles
// become "Chapter N".
std::vector<Chapter> usableChapters(std::vector<Chapter> chapters, double duration);

}  // namespace convert

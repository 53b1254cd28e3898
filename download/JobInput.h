// What one job is asked to do: the page address or local file, how, the audio file's format and folder,
// and, for an item of a list (a playlist, a queue), its place in the list for the audio file's tags.
#pragma once

#include <optional>
#include <string>

namespace download {

// Working modes of a job.
enum class RequestMode {
  DownloadOnly = 0,      // a Google Video page: download and keep the video
  DownloadConvert = 1,   // download the video of a page, then convert it
  ConvertLocalFile = 2,  // convert a local video file
};

struct JobInput {
  std::string source;  // the normalised page address, or the local file's path
  RequestMode mode = RequestMode::DownloadConvert;
  std::string outputFolder;  // as the user gave it; the audio file goes there
  std::string targetExt;     // the audio file's extension, such as ".mp3"
  std::string convertArgs;   // the converter's argument fragment, such as "-ar 44100 -ab 128kbit/s -ac 2 "
  // The audio stream is kept as it is, in its codec's container (the extension is chosen from the codec).
  bool originalAudio = false;
  bool splitChapters = false;  // a video with chapters becomes a folder of one file per chapter
  bool evenLoudness = false;   // the audio is brought to one loudness (not with originalAudio)
  // The item's place in a list and the list's name; empty for a single item.
  std::optional<int> trackNumber;
  std::optional<int> trackCount;
  std::string album;
};

}  // namespace download

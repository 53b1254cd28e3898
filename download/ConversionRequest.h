// What one Start hands to the download window: the page address or local file, the working mode,
// the extension of the audio file and the converter's argument fragment.
#pragma once

#include <string>
#include <vector>

namespace download {

// Working modes of a request.
enum class RequestMode {
  DownloadOnly = 0,      // a Google Video page: download and keep the video
  DownloadConvert = 1,   // download the video of a page, then convert it
  ConvertLocalFile = 2,  // convert a local video file
};

struct ConversionRequest {
  std::vector<std::string> sources;  // one line: the normalised page address or the local file's path
  RequestMode mode = RequestMode::DownloadConvert;
  std::string targetExt;    // such as ".mp3"
  std::string convertArgs;  // such as "-ar 44100 -ab 128kbit/s -ac 2 "
};

}  // namespace download

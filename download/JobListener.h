// What a running job tells its front end: which stage it is in, its progress, and once how it ended.
// Every call comes from the job's thread through its event loop, never from inside Job::start or
// Job::stop.
#pragma once

#include "download/JobOutcome.h"

#include <cstdint>
#include <string>

namespace download {

// The download's figures, as the download panel shows them.
struct DownloadFigures {
  std::int64_t received = 0;  // bytes of the video there so far (a part kept from before included)
  std::int64_t total = -1;    // the video's size; -1 while it is unknown
  std::string receivedText;   // "1,234 KB of 5,678 KB received"
  std::string timeLeftText;   // "01:02:05"
  std::string speedText;      // "25.0 KB/S"
};

// The conversion's figures: the percentage and the times in minutes:seconds (empty at the end).
struct ConversionFigures {
  int percent = 0;
  std::string elapsed;
  std::string estimated;
};

class JobListener {
 public:
  virtual ~JobListener() = default;

  // The stream of the page `page` is being looked for.
  virtual void searching(const std::string& page) = 0;
  // The video is being downloaded into the output folder as `videoFile` (its file name).
  virtual void downloading(const std::string& videoFile) = 0;
  virtual void downloadProgress(const DownloadFigures& figures) = 0;
  // The audio file `audioFile` (its file name) is being made.
  virtual void converting(const std::string& audioFile) = 0;
  virtual void conversionProgress(const ConversionFigures& figures) = 0;
  // The conversion's progress while the video still downloads (its bytes are converted as they arrive):
  // `converting` follows once the download has ended, for what remains of the conversion.
  virtual void conversionAlongside(const ConversionFigures& /*figures*/) {}
  // A video split into chapters: chapter `number` of `count` is being converted (one progress runs for the
  // whole video).
  virtual void convertingChapter(int /*number*/, int /*count*/, const std::string& /*title*/) {}
  // Something the user should know that is no failure: what was done instead of what was asked (the original
  // audio converted, no cover picture, even loudness not applied). One line, for a caption or a line.
  virtual void note(const std::string& /*text*/) {}
  // The job has ended; nothing follows.
  virtual void finished(const JobOutcome& outcome) = 0;
};

}  // namespace download

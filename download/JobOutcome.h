// How a job ended: done with the files it made, failed with a cause, or stopped with what it kept. Every
// front end reads the same outcome: the download window turns it into a box and its modal result, the
// command line into a line and an exit status, a queue into an item's state.
#pragma once

#include <string>
#include <vector>

namespace download {

struct JobOutcome {
  enum class Status { Done, Failed, Stopped };

  // Why a job failed.
  enum class Cause {
    None,
    NoStreamFound,        // no stream was found for the page ("Unable get html from " and the page)
    AgeRestricted,        // the page is for signed-in adults only (the age-verification notice)
    PageRefused,          // the browser refused to load the page
    PageUnreadable,       // the page's text could not be read from the browser
    ResolverFailed,       // the resolver could not give a stream for the page
    DownloadFailed,       // the stream could not be downloaded whole
    ConverterNotStarted,  // the converter could not be started
    ConversionFailed,     // the converter failed; the video was kept
    OutputInUse,          // the audio file to replace is in use; nothing was converted
    OutputKept,           // the audio file existed and was kept, as the user chose
  };

  Status status = Status::Done;
  Cause cause = Cause::None;
  std::string message;             // when failed: what to tell, in the program's words
  std::vector<std::string> files;  // done: the files made; stopped: what was kept for later

  static JobOutcome done(std::vector<std::string> files) {
    return {Status::Done, Cause::None, {}, std::move(files)};
  }
  static JobOutcome failed(Cause cause, std::string message) {
    return {Status::Failed, cause, std::move(message), {}};
  }
  static JobOutcome stopped(std::vector<std::string> kept) {
    return {Status::Stopped, Cause::None, {}, std::move(kept)};
  }
};

}  // namespace download

// clipwave-cli's work: each item of the command line, one after another, carried out by the same
// request the download window shows (download::DownloadRequest), checked first as Start checks it. The
// request's questions and notices come to a CliFrontEnd, its panels to a ProgressView.
#pragma once

#include "app/cli/CliFrontEnd.h"
#include "app/cli/CliOptions.h"
#include "app/cli/ItemReport.h"
#include "app/cli/Terminal.h"

#include <string>

namespace download {
class DownloadRequest;
}

namespace cli {

// True when `item` is to be fetched as a page: not an existing file, and a web address or a video page
// address. Anything else is taken for a local file.
bool isPageAddress(const std::string& item);

class CliJob {
 public:
  // Takes the output folder and format from `options`, else from the window's settings.
  CliJob(const CliOptions& options, Terminal& terminal);
  ~CliJob();
  CliJob(const CliJob&) = delete;
  CliJob& operator=(const CliJob&) = delete;

  // Runs every item, then gives the exit status: 0 when all went as they should, 1 when one failed,
  // 128 + the signal's number after a stop signal (no item starts after one).
  int run();

  // A stop signal: the running item stops as by the Stop button (the part downloaded is kept, the
  // converter ends, nothing more is converted).
  void stop();

  const std::string& outputFolder() const { return outputFolder_; }

 private:
  bool runItem(const std::string& item);  // true when the item ended as it should

  const CliOptions& options_;
  std::string outputFolder_;
  int formatIndex_ = 1;
  ItemReport report_;
  CliFrontEnd frontEnd_;
  download::DownloadRequest* running_ = nullptr;
};

}  // namespace cli

// clipwave-cli's work: each item of the command line, one after another, carried out by the same job the
// download window runs (download::Job), checked first as Start checks it. The job's questions come to a
// CliFrontEnd, its progress and outcome to a ProgressView. Everything runs from the program's one event
// loop: an item's end starts the next, and the last one's end tells the exit status.
#pragma once

#include "app/cli/CliFrontEnd.h"
#include "app/cli/CliOptions.h"
#include "app/cli/ItemReport.h"
#include "app/cli/ProgressView.h"
#include "app/cli/Terminal.h"
#include "download/Job.h"

#include <QObject>

#include <functional>
#include <memory>
#include <string>

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

  // Starts the first item. `ended` gets the exit status once every item has ended: 0 when all went as they
  // should, 1 when one failed, 128 + the signal's number after a stop signal (no item starts after one).
  void start(std::function<void(int status)> ended);

  // A stop signal: the running item stops as by the Stop button (the part downloaded is kept, the converter
  // ends, nothing more is converted).
  void stop();

  const std::string& outputFolder() const { return outputFolder_; }

 private:
  void nextItem();
  bool startItem(const std::string& item);  // false when the item ended before a job began
  void onItemEnded(bool ok);
  void end();

  const CliOptions& options_;
  std::string outputFolder_;
  int formatIndex_ = 1;
  ItemReport report_;
  CliFrontEnd frontEnd_;
  std::size_t next_ = 0;
  bool failed_ = false;
  std::function<void(int)> ended_;
  std::unique_ptr<ProgressView> view_;
  std::unique_ptr<download::Job> job_;
  QObject context_;  // the next step, queued for the event loop, goes away with the job
};

}  // namespace cli

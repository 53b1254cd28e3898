// clipwave-cli's work: each item (CliItems.h), one after another, carried out by the same job the download
// window runs (download::Job), checked first as Start checks it. The job's questions come to a CliFrontEnd,
// its progress and outcome to a ProgressView. A page address that may hold a list of videos is first asked
// about through the resolver (PlaylistProbe); a list's videos then take its place, as --playlist or the
// answer on the terminal says. Items that --archive lists as finished are skipped, and each item that ends
// well is added to it. Everything runs from the program's one event loop: an item's end starts the next, and
// the last one's end tells the exit status.
#pragma once

#include "app/cli/CliFrontEnd.h"
#include "app/cli/CliItems.h"
#include "app/cli/CliOptions.h"
#include "app/cli/ItemReport.h"
#include "app/cli/ProgressView.h"
#include "app/cli/Terminal.h"
#include "download/Job.h"
#include "download/sites/PlaylistProbe.h"

#include <QObject>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace cli {

// True when `item` is to be fetched as a page: not an existing file, and a web address or a video page
// address. Anything else is taken for a local file.
bool isPageAddress(const std::string& item);

class CliJob {
 public:
  // Takes the output folder and format from `options`, else from the window's settings. `listFailed`: a
  // list of -a had lines left out, so the exit status is 1 whatever the items do.
  CliJob(const CliOptions& options, std::vector<CliItem> items, bool listFailed, Terminal& terminal);
  ~CliJob();
  CliJob(const CliJob&) = delete;
  CliJob& operator=(const CliJob&) = delete;

  // Starts the first item. `ended` gets the exit status once every item has ended: 0 when all went as they
  // should (or were skipped as finished), 1 when one failed, 128 + the signal's number after a stop signal
  // (no item starts after one).
  void start(std::function<void(int status)> ended);

  // A stop signal: the running item stops as by the Stop button (the part downloaded is kept, the converter
  // ends, nothing more is converted).
  void stop();

  const std::string& outputFolder() const { return outputFolder_; }

 private:
  enum class Begun { Started, Skipped, Failed };

  void nextItem();
  void scheduleNext();
  bool needsProbe(const CliItem& item) const;
  void probe(CliItem item);
  void onProbed(CliItem item, const download::PlaylistAnswer& answer);
  bool takeWholeList(const CliItem& item, const download::PlaylistAnswer& answer);
  Begun startItem(const CliItem& item);
  void onItemEnded(bool ok);
  void end();

  const CliOptions& options_;
  Terminal& terminal_;
  std::deque<CliItem> items_;
  std::string outputFolder_;
  int formatIndex_ = 1;
  ItemReport report_;
  CliFrontEnd frontEnd_;
  bool failed_ = false;
  std::optional<FinishedArchive> archive_;
  std::string archiveSource_;  // the running item's line in the archive, once it ends well
  std::string archiveFormat_;
  std::function<void(int)> ended_;
  download::PlaylistProbe probe_;
  std::unique_ptr<ProgressView> view_;
  std::unique_ptr<download::Job> job_;
  QObject context_;  // the next step, queued for the event loop, goes away with the job
};

}  // namespace cli

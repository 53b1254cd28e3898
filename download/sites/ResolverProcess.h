// One run of an outside program for the resolver (yt-dlp itself, or a JavaScript runtime asked for its
// version): started from an argument vector (no shell), its output and error output read through notifiers
// on their pipes while the event loop runs, a time limit, and its end seen through the exit descriptor. The
// run reports once, from the event loop; stop() (or the destructor) ends the child at once and reaps it.
#pragma once

#include "platform/ChildProcess.h"
#include "platform/PipedChild.h"

#include <QTimer>

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QSocketNotifier;

namespace download {

struct ProcessRun {
  enum class End {
    Exited,      // the child ended by itself; `exit` says how
    NotStarted,  // the child could not be started; `startError` is the error number
    TimedOut,    // the time limit ran out and the child was ended
  };
  End end = End::NotStarted;
  platform::ChildExit exit;
  int startError = 0;
  std::string output;          // standard output, up to its cap
  bool outputTooLong = false;  // the output passed its cap and was dropped
  std::string errors;          // the last bytes of standard error, up to its cap
};

// What went wrong with a run of yt-dlp, as the user is told it: it could not be started, it gave no answer
// within `limitMs`, or it ended badly (the last error line it printed, else its exit code or signal); empty
// when it ended well. Its output is not looked at.
std::string resolverRunFailure(const ProcessRun& run, int limitMs);

class ResolverProcess {
 public:
  using Done = std::function<void(ProcessRun run)>;

  struct Limits {
    std::size_t outputCap = 64 * 1024;
    std::size_t errorCap = 64 * 1024;  // the oldest error output goes first
    int timeLimitMs = 10000;
  };

  ResolverProcess();
  ~ResolverProcess();
  ResolverProcess(const ResolverProcess&) = delete;
  ResolverProcess& operator=(const ResolverProcess&) = delete;

  // Starts `program` with `args` (args[0] included); `done` once, later, unless stop() comes first.
  void start(const std::string& program, const std::vector<std::string>& args, const Limits& limits,
             Done done);
  void stop();
  bool running() const { return child_.process() != nullptr || reportLater_.isActive(); }
  // The child's process id while it runs; 0 otherwise.
  int pid() const;

 private:
  void onPipeEnded();
  void onChildEnded();
  void finish(ProcessRun run);
  void endChild();

  Limits limits_;
  Done done_;
  platform::PipedChild child_;
  std::unique_ptr<QSocketNotifier> exitNotifier_;
  QTimer timeLimit_;
  QTimer exitCheck_;  // where the system tells no exit by a descriptor, the end is checked now and then
  QTimer lingerLimit_;
  QTimer pipesEnded_;
  QTimer exitSeen_;
  QTimer reportLater_;
  ProcessRun pending_;
};

}  // namespace download

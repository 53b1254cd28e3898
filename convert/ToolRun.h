// One run of a helper tool of the converter (ffprobe for what a file holds, ffmpeg for a measurement or a
// picture) as a child process: argument vector, no shell, no input, its output and error read through
// notifiers while the event loop runs and kept up to a cap. The end is reported once, from the event loop,
// never inside start(); stop() ends the child at once and reports nothing.
#pragma once

#include "platform/PipedChild.h"

#include <QObject>
#include <QTimer>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QSocketNotifier;

namespace convert {

struct ToolResult {
  bool started = false;     // the tool could be started
  bool exitedWell = false;  // it ended by itself with exit code 0
  bool outputCut = false;   // it wrote more than the cap to its output: `output` is empty
  std::string output{};     // what it wrote to its output, up to the cap
  std::string errors{};     // the last part of what it wrote to its error output
  std::string failure{};    // when it did not end well: why, in one line
};

class ToolRun {
 public:
  using Done = std::function<void(ToolResult result)>;

  static constexpr std::size_t kMaxOutput = 8 * 1024 * 1024;
  static constexpr std::size_t kMaxErrors = 256 * 1024;

  ToolRun();
  ~ToolRun();  // a child still running is ended
  ToolRun(const ToolRun&) = delete;
  ToolRun& operator=(const ToolRun&) = delete;

  // Starts `args` (args[0]: "ffmpeg" or "ffprobe", found beside the executable first, then on PATH).
  void start(const std::vector<std::string>& args, Done done);
  void stop();
  bool running() const { return child_.process() != nullptr; }

 private:
  void onPipeChange();
  void onEnded();
  void endChild();
  void report(ToolResult result);

  std::string program_;
  std::uint64_t run_ = 0;  // counts runs, so that a queued step of an earlier one is dropped
  Done done_;
  platform::PipedChild child_;
  std::unique_ptr<QSocketNotifier> exitNotifier_;
  QTimer pipesEnded_;  // looks at the pipes from the event loop, outside their notifiers' signals
  QTimer exitCheck_;   // where the system gives no exit descriptor, the end is looked at now and then
  QObject context_;    // what is reported later goes away with the run
};

}  // namespace convert

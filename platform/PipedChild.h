// A child process whose standard input is /dev/null and whose output and error output come to us through
// pipes, each read by a PipeReader while the event loop runs: the output's first bytes up to its cap (past
// it, none), the error output's last bytes. What the runs of the converter's tools and of the resolver
// share; the owner watches the pipes' ends and the child's exit, and reaps it.
#pragma once

#include "platform/ChildProcess.h"
#include "platform/PipeReader.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform {

class PipedChild {
 public:
  // How start() went: error 0 when the child runs; else the error number, either of making the pipes
  // (noPipe: nothing is left open) or of starting the program (end() closes the pipes left open).
  struct Start {
    int error = 0;
    bool noPipe = false;
  };

  PipedChild() = default;
  ~PipedChild() { end(); }
  PipedChild(const PipedChild&) = delete;
  PipedChild& operator=(const PipedChild&) = delete;

  // Starts `program` (a path, or a name looked up on PATH) with `args` (args[0] included). `onPipeEnd` is
  // called, from a reader's notifier, when either pipe ends.
  Start start(const std::string& program, const std::vector<std::string>& args, std::size_t outputCap,
              std::size_t errorCap, const std::function<void()>& onPipeEnd);
  // Kills and reaps a child still there, and closes the pipes.
  void end();

  // The child and its readers between start() and end(); null before and after.
  ChildProcess* process() const { return process_.get(); }
  PipeReader* output() const { return output_.get(); }
  PipeReader* errors() const { return errors_.get(); }

 private:
  std::unique_ptr<ChildProcess> process_;
  std::unique_ptr<PipeReader> output_;
  std::unique_ptr<PipeReader> errors_;
};

}  // namespace platform

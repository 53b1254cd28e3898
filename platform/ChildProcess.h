// A child process started from an argument vector, never through a shell, with its standard
// handles connected to descriptors of ours; the stand-in for the platform's process creation,
// pipe peeking, waiting on a process and termination.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace platform {

// The program to start for `name`: `dir` followed by `name` when that is an executable file, else
// `name` itself, which start() then looks up on PATH.
std::string findProgram(const std::string& name, const std::string& dir);

// Bytes waiting in a pipe, left in place; -1 when the descriptor cannot be asked (closed, not a pipe).
int bytesInPipe(int fd);

// How a child ended: its exit code, or the signal that ended it.
struct ChildExit {
  bool exited = false;  // ended by exit(); code is the exit code
  int code = 0;         // the exit code, or the signal number when !exited
};

class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess();  // a child still there is killed and reaped
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Starts `program` (a path, or a name looked up on PATH) with `args` as its whole argument vector
  // (args[0] is the name the child sees). The child's standard input, output and error become
  // `in`, `out` and `err`; it inherits no other descriptor, and its signals start at their defaults.
  // The child is killed when the thread that started it ends (PR_SET_PDEATHSIG): with the program, even
  // one killed with SIGKILL, so start children from the main thread.
  // Returns 0, or the error number when it could not be started (2 when the program is not found).
  int start(const std::string& program, const std::vector<std::string>& args, int in, int out, int err);

  bool started() const { return pid_ > 0; }
  pid_t pid() const { return pid_; }

  // A descriptor that becomes readable once the child has ended (for a notifier); -1 when the system
  // gives none, or no child runs.
  int exitDescriptor() const { return pidfd_; }

  // Waits up to `ms` milliseconds for the child to end, without reaping it; true once it has ended.
  // May be called from another thread while the owner does not reap().
  bool waitForExit(int ms) const;

  // Ends the child at once (SIGKILL). It stays a zombie until reap().
  void kill();

  // Waits for the child to end, collects how it ended and forgets it.
  ChildExit reap();

 private:
  pid_t pid_ = 0;
  int pidfd_ = -1;
};

}  // namespace platform

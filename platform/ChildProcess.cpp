#include "platform/ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <thread>

extern char** environ;

namespace platform {
namespace {

int openPidFd(pid_t pid) {
#ifdef SYS_pidfd_open
  return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
#else
  (void)pid;
  return -1;
#endif
}

// The program's path: a name without '/' looked up on PATH as the shell does (the system's default PATH
// when there is none), a path as it is; empty when the name is found nowhere.
std::string programPath(const std::string& program) {
  if (program.find('/') != std::string::npos) return program;
  const char* pathVariable = ::getenv("PATH");
  const std::string folders = pathVariable != nullptr ? pathVariable : "/usr/local/bin:/usr/bin:/bin";
  std::size_t from = 0;
  for (;;) {
    const std::size_t colon = folders.find(':', from);
    const std::string folder =
        folders.substr(from, colon == std::string::npos ? std::string::npos : colon - from);
    const std::string path = (folder.empty() ? "." : folder) + "/" + program;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0)
      return path;
    if (colon == std::string::npos) return {};
    from = colon + 1;
  }
}

// In the forked child, until exec: async-signal-safe calls only. The child dies with the program
// (PR_SET_PDEATHSIG: also when the program is killed with SIGKILL and can end nothing itself), its standard
// handles are `in`, `out` and `err`, it inherits no other descriptor but `report` (closed by a successful
// exec), and its signals start at their defaults, unblocked. A failure is written to `report` as errno.
[[noreturn]] void execChild(const char* path, char* const* argv, int in, int out, int err, int report,
                            pid_t parent) {
  int failure = 0;
  if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || ::getppid() != parent) failure = ECHILD;
  // Handles first moved above 2 where they would be overwritten by an earlier dup2.
  int handles[3] = {in, out, err};
  for (int i = 0; failure == 0 && i < 3; ++i) {
    for (int later = i + 1; later < 3; ++later) {
      if (handles[later] == i) {
        handles[later] = ::fcntl(handles[later], F_DUPFD_CLOEXEC, 3);
        if (handles[later] < 0) failure = errno;
      }
    }
    if (failure == 0 && handles[i] != i && ::dup2(handles[i], i) < 0) failure = errno;
    if (failure == 0 && handles[i] == i) {
      const int flags = ::fcntl(i, F_GETFD);
      if (flags < 0 || ::fcntl(i, F_SETFD, flags & ~FD_CLOEXEC) < 0) failure = errno;
    }
  }
  if (failure == 0) {
    if (report > 3) ::close_range(3, static_cast<unsigned>(report) - 1, 0);
    ::close_range(static_cast<unsigned>(report) + 1, ~0U, 0);
    struct sigaction defaults {};
    defaults.sa_handler = SIG_DFL;
    for (int signal = 1; signal < NSIG; ++signal) ::sigaction(signal, &defaults, nullptr);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::execve(path, argv, environ);
    failure = errno;
  }
  while (::write(report, &failure, sizeof failure) < 0 && errno == EINTR) {
  }
  ::_exit(127);
}

}  // namespace

std::string findProgram(const std::string& name, const std::string& dir) {
  if (dir.empty()) return name;
  const std::string path = dir.back() == '/' ? dir + name : dir + "/" + name;
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0) return path;
  return name;
}

int bytesInPipe(int fd) {
  int count = 0;
  if (fd < 0 || ::ioctl(fd, FIONREAD, &count) != 0) return -1;
  return count;
}

ChildProcess::~ChildProcess() {
  if (!started()) return;
  kill();
  reap();
}

int ChildProcess::start(const std::string& program, const std::vector<std::string>& args, int in, int out,
                        int err) {
  if (started() || args.empty()) return EINVAL;
  const std::string path = programPath(program);
  if (path.empty()) return ENOENT;
  std::vector<char*> argv;
  argv.reserve(args.size() + 1);
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) return errno;
  // No signal handler of ours runs in the child between fork and exec.
  sigset_t all, before;
  sigfillset(&all);
  ::pthread_sigmask(SIG_SETMASK, &all, &before);
  const pid_t parent = ::getpid();
  const pid_t pid = ::fork();
  if (pid == 0) execChild(path.c_str(), argv.data(), in, out, err, report[1], parent);
  const int forkError = errno;
  ::pthread_sigmask(SIG_SETMASK, &before, nullptr);
  ::close(report[1]);
  if (pid < 0) {
    ::close(report[0]);
    return forkError;
  }
  // The report pipe closes at the exec; a failure before it arrives as its errno.
  int failure = 0;
  ssize_t n;
  do n = ::read(report[0], &failure, sizeof failure);
  while (n < 0 && errno == EINTR);
  ::close(report[0]);
  if (n == static_cast<ssize_t>(sizeof failure)) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return failure;
  }
  pid_ = pid;
  pidfd_ = openPidFd(pid);
  return 0;
}

bool ChildProcess::waitForExit(int ms) const {
  if (!started()) return true;
  if (pidfd_ >= 0) {
    pollfd p{pidfd_, POLLIN, 0};
    int r;
    do r = ::poll(&p, 1, ms);
    while (r < 0 && errno == EINTR);
    return r > 0;
  }
  // Without process descriptors: look in steps of 10 ms, leaving the child unreaped.
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  for (;;) {
    siginfo_t info{};
    if (::waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid != 0)
      return true;
    if (std::chrono::steady_clock::now() >= until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

void ChildProcess::kill() {
  if (started()) ::kill(pid_, SIGKILL);
}

ChildExit ChildProcess::reap() {
  ChildExit result;
  if (!started()) return result;
  int status = 0;
  pid_t r;
  do r = ::waitpid(pid_, &status, 0);
  while (r < 0 && errno == EINTR);
  if (r == pid_) {
    result.exited = WIFEXITED(status);
    result.code = result.exited ? WEXITSTATUS(status) : WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  } else {
    result.code = -1;  // somebody else reaped it; how it ended is unknown
  }
  if (pidfd_ >= 0) ::close(pidfd_);
  pidfd_ = -1;
  pid_ = 0;
  return result;
}

}  // namespace platform

#include "platform/ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
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

// Spawn attributes and file actions, released on every path out of start().
struct SpawnSetup {
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attr;
  SpawnSetup() {
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attr);
  }
  ~SpawnSetup() {
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
  }
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;

  int prepare(int in, int out, int err) {
    if (int e = posix_spawn_file_actions_adddup2(&actions, in, 0)) return e;
    if (int e = posix_spawn_file_actions_adddup2(&actions, out, 1)) return e;
    if (int e = posix_spawn_file_actions_adddup2(&actions, err, 2)) return e;
    if (int e = posix_spawn_file_actions_addclosefrom_np(&actions, 3)) return e;
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    if (int e = posix_spawnattr_setsigmask(&attr, &none)) return e;
    if (int e = posix_spawnattr_setsigdefault(&attr, &all)) return e;
    return posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  }
};

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
  SpawnSetup setup;
  if (int e = setup.prepare(in, out, err)) return e;
  std::vector<char*> argv;
  argv.reserve(args.size() + 1);
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  // A name without '/' is looked up on PATH; a path is used as it is.
  const int e = program.find('/') == std::string::npos
                    ? posix_spawnp(&pid, program.c_str(), &setup.actions, &setup.attr, argv.data(), environ)
                    : posix_spawn(&pid, program.c_str(), &setup.actions, &setup.attr, argv.data(), environ);
  if (e != 0) return e;
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

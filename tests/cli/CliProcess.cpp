#include "CliProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <stdexcept>

extern char** environ;

namespace cli_test {
namespace {

using Clock = std::chrono::steady_clock;

int msLeft(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

std::vector<std::string> environment(const std::map<std::string, std::string>& overrides) {
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry(*e);
    if (overrides.count(entry.substr(0, entry.find('='))) == 0) env.push_back(entry);
  }
  for (const auto& [name, value] : overrides) env.push_back(name + "=" + value);
  return env;
}

std::vector<char*> pointers(std::vector<std::string>& texts) {
  std::vector<char*> result;
  for (std::string& text : texts) result.push_back(text.data());
  result.push_back(nullptr);
  return result;
}

void setNonBlocking(int fd) {
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
}

}  // namespace

CliProcess::CliProcess(const Options& options) : terminal_(options.terminal) {
  std::vector<std::string> args = options.argv;
  std::vector<std::string> env = environment(options.env);
  std::vector<char*> argv = pointers(args);
  std::vector<char*> envp = pointers(env);
  if (options.terminal) {
    struct winsize size {};
    size.ws_row = 30;
    size.ws_col = options.columns;
    int master = -1;
    pid_ = ::forkpty(&master, nullptr, nullptr, &size);
    if (pid_ == 0) {
      ::execve(argv[0], argv.data(), envp.data());
      ::_exit(127);
    }
    outFd_ = master;
  } else {
    int out[2], err[2], in[2] = {-1, -1};
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0 ||
        (options.stdinPipe && ::pipe2(in, O_CLOEXEC) != 0))
      throw std::runtime_error("no pipes");
    const int devNull = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(options.stdinPipe ? in[0] : devNull, 0);
      ::dup2(out[1], 1);
      ::dup2(err[1], 2);
      ::execve(argv[0], argv.data(), envp.data());
      ::_exit(127);
    }
    ::close(devNull);
    ::close(out[1]);
    ::close(err[1]);
    outFd_ = out[0];
    errFd_ = err[0];
    if (options.stdinPipe) {
      ::close(in[0]);
      inFd_ = in[1];
    }
  }
  if (pid_ < 0) throw std::runtime_error("cannot start " + options.argv.front());
  pidfd_ = static_cast<int>(::syscall(SYS_pidfd_open, pid_, 0));
  if (pidfd_ < 0) throw std::runtime_error("no pidfd");
  setNonBlocking(outFd_);
  if (errFd_ >= 0) setNonBlocking(errFd_);
}

CliProcess::~CliProcess() {
  if (!exited_ && pid_ > 0) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  for (int fd : {pidfd_, outFd_, errFd_, inFd_}) {
    if (fd >= 0) ::close(fd);
  }
}

void CliProcess::drain() {
  for (auto [fd, text] : {std::pair{outFd_, &out_}, std::pair{errFd_, &err_}}) {
    if (fd < 0) continue;
    std::string& into = terminal_ ? err_ : *text;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0) into.append(buffer, static_cast<std::size_t>(n));
  }
}

bool CliProcess::readSome(int ms) {
  if (exited_) return false;
  pollfd fds[3] = {{pidfd_, POLLIN, 0}, {outFd_, POLLIN, 0}, {errFd_, POLLIN, 0}};
  const int count = errFd_ >= 0 ? 3 : 2;
  if (::poll(fds, count, ms) < 0 && errno != EINTR) throw std::runtime_error("poll failed");
  drain();
  if ((fds[0].revents & POLLIN) != 0) {
    int status = 0;
    ::waitpid(pid_, &status, 0);
    exited_ = true;
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    drain();  // what the program wrote just before it ended
    return false;
  }
  return true;
}

bool CliProcess::waitForOutput(const std::string& text, int timeoutMs) {
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    if (out_.find(text) != std::string::npos || err_.find(text) != std::string::npos) return true;
    if (msLeft(deadline) == 0 || !readSome(msLeft(deadline))) {
      return out_.find(text) != std::string::npos || err_.find(text) != std::string::npos;
    }
  }
}

void CliProcess::type(const std::string& text) {
  [[maybe_unused]] const ssize_t n = ::write(outFd_, text.data(), text.size());
}

void CliProcess::signal(int number) {
  if (!exited_) ::kill(pid_, number);
}

void CliProcess::writeStdin(const std::string& text) {
  std::size_t done = 0;
  while (inFd_ >= 0 && done < text.size()) {
    const ssize_t n = ::write(inFd_, text.data() + done, text.size() - done);
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

void CliProcess::closeStdin() {
  if (inFd_ >= 0) ::close(inFd_);
  inFd_ = -1;
}

int CliProcess::wait(int timeoutMs) {
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!exited_ && msLeft(deadline) > 0) readSome(msLeft(deadline));
  if (!exited_) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    exited_ = true;
    return -1;
  }
  return status_;
}

}  // namespace cli_test

#include "download/StreamResolver.h"

#include "platform/ChildProcess.h"
#include "platform/Messages.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>

#include <sys/stat.h>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <memory>

namespace download {
namespace {

const char* const kProgram = "yt-dlp";
constexpr std::size_t kMaxErrorOutput = 64 * 1024;  // only the last error line is told

bool onPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  if (path == nullptr) return false;
  std::string dirs = path;
  std::size_t start = 0;
  while (start <= dirs.size()) {
    std::size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    std::string dir = dirs.substr(start, end - start);
    if (dir.empty()) dir = ".";
    const std::string file = dir + "/" + name;
    struct stat info {};
    if (::stat(file.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(file.c_str(), X_OK) == 0)
      return true;
    start = end + 1;
  }
  return false;
}

// One end of a pipe from the child, read as data comes and kept up to a cap: output beyond it is
// counted as too much (stdout) or the oldest part is dropped (stderr, whose last line matters).
class PipeReader {
 public:
  PipeReader(int fd, std::size_t cap, bool keepTail) : fd_(fd), cap_(cap), keepTail_(keepTail) {
    ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) | O_NONBLOCK);
    notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { drain(); });
  }
  ~PipeReader() {
    notifier_.reset();
    if (fd_ >= 0) ::close(fd_);
  }
  PipeReader(const PipeReader&) = delete;
  PipeReader& operator=(const PipeReader&) = delete;

  void drain() {
    char buffer[65536];
    while (!ended_) {
      const ssize_t n = ::read(fd_, buffer, sizeof buffer);
      if (n > 0) {
        keep(buffer, static_cast<std::size_t>(n));
      } else if (n == 0) {
        ended_ = true;
        notifier_->setEnabled(false);
      } else if (errno != EINTR) {
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
          ended_ = true;
          notifier_->setEnabled(false);
        }
        return;
      }
    }
  }
  bool ended() const { return ended_; }
  bool overflowed() const { return overflowed_; }
  const std::string& data() const { return data_; }

 private:
  void keep(const char* bytes, std::size_t n) {
    if (keepTail_) {
      data_.append(bytes, n);
      if (data_.size() > cap_) data_.erase(0, data_.size() - cap_);
      return;
    }
    if (overflowed_) return;
    if (data_.size() + n > cap_) {
      overflowed_ = true;
      data_.clear();
      return;
    }
    data_.append(bytes, n);
  }

  int fd_;
  std::size_t cap_;
  bool keepTail_;
  bool ended_ = false;
  bool overflowed_ = false;
  std::string data_;
  std::unique_ptr<QSocketNotifier> notifier_;
};

Resolution failed(std::string message) {
  Resolution r;
  r.status = Resolution::Status::Failed;
  r.message = std::move(message);
  return r;
}

}  // namespace

bool isResolverEnabled() {
  const char* setting = std::getenv("CLIPWAVE_RESOLVER");
  if (setting != nullptr && std::string(setting) == "off") return false;
  return onPath(kProgram);
}

int resolverTimeLimitMs() {
  const char* setting = std::getenv("CLIPWAVE_RESOLVER_TIMEOUT");
  if (setting != nullptr) {
    char* end = nullptr;
    const long seconds = std::strtol(setting, &end, 10);
    if (end != setting && *end == '\0' && seconds >= 1 && seconds <= 3600)
      return static_cast<int>(seconds * 1000);
  }
  return 90 * 1000;
}

Resolution resolveStream(const std::string& page, const std::function<bool()>& stopRequested) {
  int out[2] = {-1, -1}, err[2] = {-1, -1};
  if (::pipe2(out, O_CLOEXEC) != 0) return failed("yt-dlp could not be started: no pipe");
  if (::pipe2(err, O_CLOEXEC) != 0) {
    ::close(out[0]);
    ::close(out[1]);
    return failed("yt-dlp could not be started: no pipe");
  }
  const int in = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  // The page address comes after "--": whatever it holds, it is never read as an option.
  const std::vector<std::string> args{kProgram,
                                      "--ignore-config",
                                      "--dump-single-json",
                                      "--no-playlist",
                                      "--no-progress",
                                      "--no-warnings",
                                      "--",
                                      page};
  platform::ChildProcess child;
  const int started = child.start(kProgram, args, in, out[1], err[1]);
  ::close(out[1]);
  ::close(err[1]);
  if (in >= 0) ::close(in);
  PipeReader output(out[0], kMaxResolverOutput, false);
  PipeReader errors(err[0], kMaxErrorOutput, true);
  if (started != 0) return failed("yt-dlp could not be started (error " + std::to_string(started) + ")");

  const int limit = resolverTimeLimitMs();
  const auto begin = std::chrono::steady_clock::now();
  for (;;) {
    output.drain();
    errors.drain();
    if (output.ended() && errors.ended()) break;
    if (stopRequested()) {
      child.kill();
      child.reap();
      Resolution r;
      r.status = Resolution::Status::Stopped;
      return r;
    }
    const auto spent =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - begin)
            .count();
    if (spent >= limit) {
      child.kill();
      child.reap();
      const int seconds = limit / 1000;
      return failed("yt-dlp gave no answer within " + std::to_string(seconds) +
                    (seconds == 1 ? " second" : " seconds"));
    }
    // Blocks until something happens: output from the child, a Stop, or the time limit.
    platform::waitForMessage(static_cast<int>(limit - spent));
  }
  // Both pipes are closed: the child is ending. One that lingers is ended.
  if (!child.waitForExit(5000)) child.kill();
  const platform::ChildExit exit = child.reap();
  if (stopRequested()) {
    Resolution r;
    r.status = Resolution::Status::Stopped;
    return r;
  }
  const std::string line = lastErrorLine(errors.data());
  if (!exit.exited || exit.code != 0) {
    if (!line.empty()) return failed(line);
    return failed(exit.exited ? "yt-dlp ended with exit code " + std::to_string(exit.code)
                              : "yt-dlp ended with signal " + std::to_string(exit.code));
  }
  if (output.overflowed()) return failed("yt-dlp gave no usable answer: the output is too large");
  ResolverAnswer answer = readResolverOutput(output.data());
  if (!answer.found) return failed("yt-dlp gave no usable answer: " + answer.error);
  Resolution r;
  r.status = Resolution::Status::Found;
  r.stream = std::move(answer.stream);
  return r;
}

}  // namespace download

#include "download/sites/ResolverLocator.h"

#include "download/VideoFileName.h"
#include "platform/ChildProcess.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace download {
namespace {

const char* const kProgram = "yt-dlp";
constexpr std::size_t kMaxErrorOutput = 64 * 1024;  // only the last error line is told
constexpr int kLingerMs = 5000;                     // how long a child that closed its pipes may take to end
constexpr int kExitCheckMs = 20;

bool onPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  if (path == nullptr) return false;
  const std::string dirs = path;
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

LocatorResult failure(std::string message) {
  return {.status = LocatorResult::Status::Failed, .stream = {}, .message = std::move(message)};
}

}  // namespace

// One end of a pipe from the child, read as data comes and kept up to a cap: output beyond it is counted
// as too much (stdout) or the oldest part is dropped (stderr, whose last line matters).
class ResolverLocator::PipeReader {
 public:
  PipeReader(int fd, std::size_t cap, bool keepTail, std::function<void()> onChange)
      : fd_(fd), cap_(cap), keepTail_(keepTail), onChange_(std::move(onChange)) {
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

  bool ended() const { return ended_; }
  bool overflowed() const { return overflowed_; }
  const std::string& data() const { return data_; }

 private:
  void drain() {
    char buffer[65536];
    for (;;) {
      const ssize_t n = ::read(fd_, buffer, sizeof buffer);
      if (n > 0) {
        keep(buffer, static_cast<std::size_t>(n));
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
      ended_ = true;  // the end of the output, or an error that ends it
      notifier_->setEnabled(false);
      onChange_();
      return;
    }
  }

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
  std::function<void()> onChange_;
  bool ended_ = false;
  bool overflowed_ = false;
  std::string data_;
  std::unique_ptr<QSocketNotifier> notifier_;
};

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

ResolverLocator::ResolverLocator() {
  timeLimit_.setSingleShot(true);
  lingerLimit_.setSingleShot(true);
  reportLater_.setSingleShot(true);
  outputEnded_.setSingleShot(true);
  QObject::connect(&outputEnded_, &QTimer::timeout, [this] { onOutput(); });
  QObject::connect(&timeLimit_, &QTimer::timeout, [this] {
    endChild();
    const int seconds = resolverTimeLimitMs() / 1000;
    fail("yt-dlp gave no answer within " + std::to_string(seconds) + (seconds == 1 ? " second" : " seconds"));
  });
  QObject::connect(&exitCheck_, &QTimer::timeout, [this] {
    if (child_ && child_->waitForExit(0)) onChildEnded();
  });
  // The exit descriptor's notifier is not destroyed inside its own signal either.
  exitSeen_.setSingleShot(true);
  QObject::connect(&exitSeen_, &QTimer::timeout, [this] {
    if (child_) onChildEnded();
  });
  QObject::connect(&lingerLimit_, &QTimer::timeout, [this] {
    if (child_) child_->kill();
    onChildEnded();
  });
  QObject::connect(&reportLater_, &QTimer::timeout, [this] {
    if (pending_) finish(std::exchange(pending_, std::nullopt).value());
  });
}

ResolverLocator::~ResolverLocator() {
  endChild();
}

void ResolverLocator::start(const std::string& page, Done done) {
  page_ = page;
  done_ = std::move(done);
  int out[2] = {-1, -1}, err[2] = {-1, -1};
  if (::pipe2(out, O_CLOEXEC) != 0) {
    reportLater(failure("yt-dlp could not be started: no pipe"));
    return;
  }
  if (::pipe2(err, O_CLOEXEC) != 0) {
    ::close(out[0]);
    ::close(out[1]);
    reportLater(failure("yt-dlp could not be started: no pipe"));
    return;
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
  child_ = std::make_unique<platform::ChildProcess>();
  const int started = child_->start(kProgram, args, in, out[1], err[1]);
  ::close(out[1]);
  ::close(err[1]);
  if (in >= 0) ::close(in);
  // The end of the output is looked at from the event loop, so that a reader is never destroyed inside its
  // own notifier's signal.
  output_ =
      std::make_unique<PipeReader>(out[0], kMaxResolverOutput, false, [this] { outputEnded_.start(0); });
  errors_ = std::make_unique<PipeReader>(err[0], kMaxErrorOutput, true, [this] { outputEnded_.start(0); });
  if (started != 0) {
    endChild();
    reportLater(failure("yt-dlp could not be started (error " + std::to_string(started) + ")"));
    return;
  }
  timeLimit_.start(resolverTimeLimitMs());
}

void ResolverLocator::stop() {
  done_ = nullptr;
  pending_.reset();
  reportLater_.stop();
  endChild();
}

// Both pipes closed: the child is ending. One that lingers is ended.
void ResolverLocator::onOutput() {
  if (!output_ || !errors_ || !output_->ended() || !errors_->ended()) return;
  if (child_->waitForExit(0)) {
    onChildEnded();
    return;
  }
  const int descriptor = child_->exitDescriptor();
  if (descriptor >= 0) {
    exitNotifier_ = std::make_unique<QSocketNotifier>(descriptor, QSocketNotifier::Read);
    QObject::connect(exitNotifier_.get(), &QSocketNotifier::activated, [this] {
      exitNotifier_->setEnabled(false);
      exitSeen_.start(0);
    });
  } else {
    exitCheck_.start(kExitCheckMs);
  }
  lingerLimit_.start(kLingerMs);
}

void ResolverLocator::onChildEnded() {
  timeLimit_.stop();
  exitCheck_.stop();
  lingerLimit_.stop();
  exitNotifier_.reset();
  const platform::ChildExit exit = child_->reap();
  const std::string line = lastErrorLine(errors_->data());
  const bool overflowed = output_->overflowed();
  const std::string output = output_->data();
  endChild();
  if (!exit.exited || exit.code != 0) {
    if (!line.empty()) return fail(line);
    return fail(exit.exited ? "yt-dlp ended with exit code " + std::to_string(exit.code)
                            : "yt-dlp ended with signal " + std::to_string(exit.code));
  }
  if (overflowed) return fail("yt-dlp gave no usable answer: the output is too large");
  ResolverAnswer answer = readResolverOutput(output);
  if (!answer.found) return fail("yt-dlp gave no usable answer: " + answer.error);
  const ResolvedStream& stream = answer.stream;
  const std::string ext = "." + (stream.ext.empty() ? std::string("video") : stream.ext);
  std::string fileName = titleToFileName(stream.title, ext);
  if (fileName.empty()) fileName = "get_video" + ext;
  finish({.status = LocatorResult::Status::Found,
          .stream = {.url = stream.url,
                     .fileName = std::move(fileName),
                     .title = stream.title,
                     .headers = stream.headers,
                     .downloadOnly = false,
                     .metadata = readVideoMetadata(output, stream.url)},
          .message = {}});
}

void ResolverLocator::fail(std::string message) {
  finish(failure(std::move(message)));
}

void ResolverLocator::finish(LocatorResult result) {
  Done done = std::move(done_);
  done_ = nullptr;
  if (done) done(std::move(result));
}

void ResolverLocator::reportLater(LocatorResult result) {
  pending_ = std::move(result);
  reportLater_.start(0);
}

// Any end other than a child that has ended by itself leaves no child behind: it is killed and reaped.
void ResolverLocator::endChild() {
  outputEnded_.stop();
  exitSeen_.stop();
  timeLimit_.stop();
  exitCheck_.stop();
  lingerLimit_.stop();
  exitNotifier_.reset();
  output_.reset();
  errors_.reset();
  if (child_) {
    if (child_->started()) {
      child_->kill();
      child_->reap();
    }
    child_.reset();
  }
}

}  // namespace download

#include "download/sites/ResolverProcess.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace download {
namespace {

constexpr int kLingerMs = 5000;  // how long a child that closed its pipes may take to end
constexpr int kExitCheckMs = 20;

}  // namespace

// One end of a pipe from the child, read as data comes and kept up to a cap: output beyond it is counted
// as too much (stdout) or the oldest part is dropped (stderr, whose last lines matter).
class ResolverProcess::PipeReader {
 public:
  PipeReader(int fd, std::size_t cap, bool keepTail, std::function<void()> onEnd)
      : fd_(fd), cap_(cap), keepTail_(keepTail), onEnd_(std::move(onEnd)) {
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
  std::string& data() { return data_; }

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
      onEnd_();
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
  std::function<void()> onEnd_;
  bool ended_ = false;
  bool overflowed_ = false;
  std::string data_;
  std::unique_ptr<QSocketNotifier> notifier_;
};

ResolverProcess::ResolverProcess() {
  timeLimit_.setSingleShot(true);
  lingerLimit_.setSingleShot(true);
  pipesEnded_.setSingleShot(true);
  exitSeen_.setSingleShot(true);
  reportLater_.setSingleShot(true);
  // The readers and the exit notifier are never destroyed inside their own signals: their ends are looked
  // at from the event loop.
  QObject::connect(&pipesEnded_, &QTimer::timeout, [this] { onPipeEnded(); });
  QObject::connect(&exitSeen_, &QTimer::timeout, [this] {
    if (child_) onChildEnded();
  });
  QObject::connect(&exitCheck_, &QTimer::timeout, [this] {
    if (child_ && child_->waitForExit(0)) onChildEnded();
  });
  QObject::connect(&lingerLimit_, &QTimer::timeout, [this] {
    if (!child_) return;
    child_->kill();
    onChildEnded();
  });
  QObject::connect(&timeLimit_, &QTimer::timeout, [this] {
    ProcessRun run;
    run.end = ProcessRun::End::TimedOut;
    if (errors_) run.errors = std::move(errors_->data());
    endChild();
    finish(std::move(run));
  });
  QObject::connect(&reportLater_, &QTimer::timeout, [this] { finish(std::move(pending_)); });
}

ResolverProcess::~ResolverProcess() {
  done_ = nullptr;
  endChild();
}

int ResolverProcess::pid() const {
  return child_ ? static_cast<int>(child_->pid()) : 0;
}

void ResolverProcess::start(const std::string& program, const std::vector<std::string>& args,
                            const Limits& limits, Done done) {
  endChild();
  limits_ = limits;
  done_ = std::move(done);
  pending_ = {};
  int out[2] = {-1, -1}, err[2] = {-1, -1};
  if (::pipe2(out, O_CLOEXEC) != 0) {
    pending_.startError = errno;
    reportLater_.start(0);
    return;
  }
  if (::pipe2(err, O_CLOEXEC) != 0) {
    pending_.startError = errno;
    ::close(out[0]);
    ::close(out[1]);
    reportLater_.start(0);
    return;
  }
  const int in = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  child_ = std::make_unique<platform::ChildProcess>();
  const int started = child_->start(program, args, in, out[1], err[1]);
  ::close(out[1]);
  ::close(err[1]);
  if (in >= 0) ::close(in);
  output_ = std::make_unique<PipeReader>(out[0], limits_.outputCap, false, [this] { pipesEnded_.start(0); });
  errors_ = std::make_unique<PipeReader>(err[0], limits_.errorCap, true, [this] { pipesEnded_.start(0); });
  if (started != 0) {
    endChild();
    pending_.startError = started;
    reportLater_.start(0);
    return;
  }
  timeLimit_.start(limits_.timeLimitMs);
}

void ResolverProcess::stop() {
  done_ = nullptr;
  reportLater_.stop();
  endChild();
}

// Both pipes closed: the child is ending. One that lingers is ended.
void ResolverProcess::onPipeEnded() {
  if (!child_ || !output_ || !errors_ || !output_->ended() || !errors_->ended()) return;
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

void ResolverProcess::onChildEnded() {
  ProcessRun run;
  run.end = ProcessRun::End::Exited;
  run.exit = child_->reap();
  run.output = std::move(output_->data());
  run.outputTooLong = output_->overflowed();
  run.errors = std::move(errors_->data());
  endChild();
  finish(std::move(run));
}

void ResolverProcess::finish(ProcessRun run) {
  Done done = std::move(done_);
  done_ = nullptr;
  if (done) done(std::move(run));
}

// Any end other than a child that has ended by itself leaves no child behind: it is killed and reaped.
void ResolverProcess::endChild() {
  pipesEnded_.stop();
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

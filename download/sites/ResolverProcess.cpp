#include "download/sites/ResolverProcess.h"

#include "platform/PipeReader.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace download {
namespace {

constexpr int kLingerMs = 5000;  // how long a child that closed its pipes may take to end
constexpr int kExitCheckMs = 20;

}  // namespace

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
  output_ = std::make_unique<platform::PipeReader>(
      out[0], limits_.outputCap, platform::PipeReader::Keep::Head, [this] { pipesEnded_.start(0); });
  errors_ = std::make_unique<platform::PipeReader>(err[0], limits_.errorCap, platform::PipeReader::Keep::Tail,
                                                   [this] { pipesEnded_.start(0); });
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

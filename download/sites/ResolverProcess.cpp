#include "download/sites/ResolverProcess.h"

#include "common/Text.h"
#include "download/ResolverOutput.h"
#include "resources/Translations.h"

#include <QSocketNotifier>

namespace download {

namespace {

std::string secondsText(int ms) {
  const int seconds = ms / 1000;
  return seconds == 1 ? resources::translate("ResolverProcess", "1 second")
                      : common::fillIn(resources::translate("ResolverProcess", "%1 seconds"),
                                       {std::to_string(seconds)});
}

}  // namespace

std::string resolverRunFailure(const ProcessRun& run, int limitMs) {
  switch (run.end) {
    case ProcessRun::End::NotStarted:
      return common::fillIn(resources::translate("ResolverProcess", "yt-dlp could not be started (error %1)"),
                            {std::to_string(run.startError)});
    case ProcessRun::End::TimedOut:
      return common::fillIn(resources::translate("ResolverProcess", "yt-dlp gave no answer within %1"),
                            {secondsText(limitMs)});
    case ProcessRun::End::Exited:
      break;
  }
  if (run.exit.exited && run.exit.code == 0) return {};
  const std::string line = lastErrorLine(run.errors);
  if (!line.empty()) return line;
  return run.exit.exited
             ? common::fillIn(resources::translate("ResolverProcess", "yt-dlp ended with exit code %1"),
                              {std::to_string(run.exit.code)})
             : common::fillIn(resources::translate("ResolverProcess", "yt-dlp ended with signal %1"),
                              {std::to_string(run.exit.code)});
}
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
    if (child_.process()) onChildEnded();
  });
  QObject::connect(&exitCheck_, &QTimer::timeout, [this] {
    if (child_.process() && child_.process()->waitForExit(0)) onChildEnded();
  });
  QObject::connect(&lingerLimit_, &QTimer::timeout, [this] {
    if (!child_.process()) return;
    child_.process()->kill();
    onChildEnded();
  });
  QObject::connect(&timeLimit_, &QTimer::timeout, [this] {
    ProcessRun run;
    run.end = ProcessRun::End::TimedOut;
    if (child_.errors()) run.errors = std::move(child_.errors()->data());
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
  return child_.process() ? static_cast<int>(child_.process()->pid()) : 0;
}

void ResolverProcess::start(const std::string& program, const std::vector<std::string>& args,
                            const Limits& limits, Done done) {
  endChild();
  limits_ = limits;
  done_ = std::move(done);
  pending_ = {};
  const platform::PipedChild::Start started =
      child_.start(program, args, limits_.outputCap, limits_.errorCap, [this] { pipesEnded_.start(0); });
  if (started.error != 0) {
    endChild();
    pending_.startError = started.error;
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
  platform::ChildProcess* const child = child_.process();
  if (!child || !child_.output()->ended() || !child_.errors()->ended()) return;
  if (child->waitForExit(0)) {
    onChildEnded();
    return;
  }
  const int descriptor = child->exitDescriptor();
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
  run.exit = child_.process()->reap();
  run.output = std::move(child_.output()->data());
  run.outputTooLong = child_.output()->overflowed();
  run.errors = std::move(child_.errors()->data());
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
  child_.end();
}

}  // namespace download

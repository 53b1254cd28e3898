#include "convert/ToolRun.h"

#include "platform/Paths.h"

#include <QSocketNotifier>

namespace convert {
namespace {

constexpr int kExitCheckMs = 20;

// The last line of `text` that is not blank, at most 300 bytes, without control characters.
std::string lastLine(const std::string& text) {
  std::size_t end = text.size();
  while (end > 0) {
    const std::size_t start = text.find_last_of("\r\n", end - 1);
    const std::size_t from = start == std::string::npos ? 0 : start + 1;
    std::string line;
    for (std::size_t i = from; i < end && line.size() < 300; ++i) {
      const auto u = static_cast<unsigned char>(text[i]);
      if (u >= 0x20 && u != 0x7F) line.push_back(text[i]);
    }
    if (line.find_first_not_of(' ') != std::string::npos) return line;
    if (start == std::string::npos) break;
    end = start;
  }
  return {};
}

}  // namespace

ToolRun::ToolRun() {
  pipesEnded_.setSingleShot(true);
  QObject::connect(&pipesEnded_, &QTimer::timeout, [this] { onPipeChange(); });
  QObject::connect(&exitCheck_, &QTimer::timeout, [this] {
    if (child_.process() && child_.process()->waitForExit(0)) onEnded();
  });
}

ToolRun::~ToolRun() {
  stop();
}

void ToolRun::start(const std::vector<std::string>& args, Done done) {
  stop();
  done_ = std::move(done);
  program_ = args.empty() ? std::string() : args.front();
  platform::PipedChild::Start started{.error = 0, .noPipe = true};  // no program: nothing to start
  if (!args.empty())
    started = child_.start(platform::findProgram(program_, platform::executableDir()), args, kMaxOutput,
                           kMaxErrors, [this] { pipesEnded_.start(0); });
  if (started.noPipe) {
    report({.failure = program_ + " could not be started: no pipe"});
    return;
  }
  if (started.error != 0) {
    endChild();
    report({.failure = program_ + " could not be started (error " + std::to_string(started.error) + ")"});
  }
}

void ToolRun::stop() {
  ++run_;  // what an earlier run left queued is dropped
  done_ = nullptr;
  endChild();
}

// Both pipes have ended: the child is ending, and is waited for through its exit descriptor.
void ToolRun::onPipeChange() {
  platform::ChildProcess* const child = child_.process();
  if (!child || !child_.output()->ended() || !child_.errors()->ended()) return;
  if (child->waitForExit(0)) {
    onEnded();
    return;
  }
  const int descriptor = child->exitDescriptor();
  if (descriptor < 0) {
    exitCheck_.start(kExitCheckMs);
    return;
  }
  exitNotifier_ = std::make_unique<QSocketNotifier>(descriptor, QSocketNotifier::Read);
  QObject::connect(exitNotifier_.get(), &QSocketNotifier::activated, [this] {
    exitNotifier_->setEnabled(false);
    QTimer::singleShot(0, &context_, [this, run = run_] {
      if (run == run_) onEnded();
    });
  });
}

void ToolRun::onEnded() {
  if (!child_.process()) return;
  exitCheck_.stop();
  const platform::ChildExit exit = child_.process()->reap();
  ToolResult result;
  result.started = true;
  result.exitedWell = exit.exited && exit.code == 0;
  result.outputCut = child_.output()->overflowed();
  result.output = std::move(child_.output()->data());
  result.errors = std::move(child_.errors()->data());
  if (!result.exitedWell) {
    result.failure = lastLine(result.errors);
    if (result.failure.empty())
      result.failure = program_ + (exit.exited ? " ended with exit code " : " ended by signal ") +
                       std::to_string(exit.code);
  }
  endChild();
  report(std::move(result));
}

void ToolRun::endChild() {
  pipesEnded_.stop();
  exitCheck_.stop();
  exitNotifier_.reset();
  child_.end();
}

// Reported from the event loop, never inside start().
void ToolRun::report(ToolResult result) {
  QTimer::singleShot(0, &context_, [this, run = run_, result = std::move(result)]() mutable {
    if (run != run_) return;
    Done done = std::move(done_);
    done_ = nullptr;
    if (done) done(std::move(result));
  });
}

}  // namespace convert

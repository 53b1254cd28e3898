#include "platform/SynchronousWait.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <atomic>
#include <chrono>

namespace platform {
namespace {

std::atomic<std::uint64_t> entries{0};
thread_local int depth = 0;

struct Entered {
  Entered() {
    entries.fetch_add(1, std::memory_order_relaxed);
    ++depth;
  }
  ~Entered() { --depth; }
  Entered(const Entered&) = delete;
  Entered& operator=(const Entered&) = delete;
};

bool closing() {
  return QCoreApplication::instance() == nullptr || QCoreApplication::closingDown() ||
         QAbstractEventDispatcher::instance() == nullptr;
}

}  // namespace

WaitOutcome waitSynchronously(const std::function<bool()>& done, int timeoutMs) {
  using Clock = std::chrono::steady_clock;
  const Entered entered;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
  // Wakes the blocking dispatch when the time is up: no event at all may arrive before it.
  QTimer wake;
  wake.setSingleShot(true);
  wake.setTimerType(Qt::PreciseTimer);
  for (bool first = true;; first = false) {
    if (done && done()) return WaitOutcome::Done;
    if (closing()) return WaitOutcome::Closing;
    long long left = -1;
    if (timeoutMs >= 0) {
      left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) {
        if (!first) return WaitOutcome::TimedOut;
        left = 0;
      }
    }
    if (left == 0) {
      QCoreApplication::sendPostedEvents();
      QCoreApplication::processEvents(QEventLoop::AllEvents);
      continue;  // checks done() once more, then the time is up
    }
    if (left > 0 && !wake.isActive()) wake.start(static_cast<int>(left));
    // Blocks until at least one event arrives (the time-out at the latest) and handles what is queued.
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents | QEventLoop::AllEvents);
  }
}

std::uint64_t synchronousWaitEntries() {
  return entries.load(std::memory_order_relaxed);
}

int synchronousWaitDepth() {
  return depth;
}

}  // namespace platform

// Runs the thread's events until `condition` holds or `limitMs` milliseconds have passed, looking again every
// few milliseconds; true when it holds. For tests that drive a stage or a job without a window.
#pragma once

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <chrono>
#include <functional>

namespace testing_support {

inline bool waitFor(const std::function<bool()>& condition, int limitMs) {
  if (condition()) return true;
  QEventLoop loop;
  QTimer look;
  QObject::connect(&look, &QTimer::timeout, &loop, [&] {
    if (condition()) loop.quit();
  });
  QTimer limit;
  limit.setSingleShot(true);
  QObject::connect(&limit, &QTimer::timeout, &loop, [&] { loop.quit(); });
  look.start(5);
  limit.start(limitMs);
  loop.exec();
  return condition();
}

// Runs the thread's events for `ms` milliseconds; with 0, handles what is queued now and returns.
inline void pumpEvents(int ms = 0) {
  if (ms <= 0) {
    QCoreApplication::processEvents();
    return;
  }
  waitFor([] { return false; }, ms);
}

}  // namespace testing_support

// Waiting for a download window as a user would: `start` begins its work (showing it, say), then its events
// run until it closes. A window that is still open when the limit is reached fails the test and is stopped as
// by its Stop button, so no test waits forever. For tests that link the windows (clipwave_app).
#pragma once

#include "app/DownloadWindow.h"

#include <gtest/gtest.h>

#include <QEventLoop>
#include <QTimer>

#include <functional>

namespace testing_support {

// The modal result the window closed with.
inline int runUntilClosed(app::DownloadWindow& window, const std::function<void()>& start, int limitMs) {
  int result = -1;
  QEventLoop loop;
  QObject::connect(&window, &QDialog::finished, &loop, [&](int r) {
    result = r;
    loop.quit();
  });
  QTimer limit;
  limit.setSingleShot(true);
  QObject::connect(&limit, &QTimer::timeout, &loop, [&] {
    ADD_FAILURE() << "the window did not close";
    window.onStopClicked();
  });
  limit.start(limitMs);
  start();
  loop.exec();
  return result;
}

// Shows the window, which starts its job, and runs it until it closes.
inline int runShown(app::DownloadWindow& window, int limitMs) {
  return runUntilClosed(
      window, [&window] { window.show(); }, limitMs);
}

}  // namespace testing_support

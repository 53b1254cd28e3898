// Waiting for a download window as a user would: `start` begins its work (the request's first message,
// say), then its events run until it closes. A window that is still open when the limit is reached
// fails the test and is stopped as by its Stop button, so no test waits forever. For tests that link
// the windows (clipwave_app).
#pragma once

#include "app/DownloadWindow.h"
#include "download/RequestEvents.h"

#include <gtest/gtest.h>

#include <QEventLoop>
#include <QTimer>

#include <functional>

namespace testing_support {

// The modal result the window closed with.
inline int runUntilClosed(DownloadWindow& window, const std::function<void()>& start, int limitMs) {
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

// The request's first messages: the page phase (as when the window is shown) and the download (as after the
// page, with the stream address already set). GCC 12 takes the message variant's string alternative for
// uninitialised when it destroys the temporary (a known false report at -O2).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
inline void fetchPage(DownloadWindow& window) {
  window.request().mailbox().post(download::FetchPage{});
}
inline void startDownload(DownloadWindow& window) {
  window.request().mailbox().post(download::StartDownload{});
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

}  // namespace testing_support

#include "download/PageRetrieval.h"

#include "platform/Messages.h"

#include <chrono>

namespace download {
namespace {

using Clock = std::chrono::steady_clock;

int millisecondsSince(Clock::time_point start) {
  return static_cast<int>(
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

}  // namespace

PageRetrieval::PageRetrieval(platform::WebBrowser& first, platform::WebBrowser& second)
    : first_(first), second_(second) {}

PageRetrieval::Result PageRetrieval::retrieve(const std::string& address, const Extraction& extract,
                                              const StopCheck& stopRequested) {
  lastError_.clear();
  try {
    for (int attempt = 1; attempt <= limits_.attempts; ++attempt) {
      bool found = false;
      const Result result = runAttempt(address, extract, stopRequested, found);
      if (result != Result::Finished) return result;
      // The control is left on the empty page after every attempt.
      currentBrowser().navigateBlank();
      if (found) break;
    }
  } catch (const platform::BrowserError& error) {
    lastError_ = error.what();
    return Result::BrowserFailed;
  }
  return Result::Finished;
}

// One attempt: load the page, wait until it can be read, then read it and run the pass on every
// reading. When the text cannot be read, the page is loaded once more in the second control, with a
// fresh wait and a fresh time limit.
PageRetrieval::Result PageRetrieval::runAttempt(const std::string& address, const Extraction& extract,
                                                const StopCheck& stopRequested, bool& found) {
  bool switched = false;
  for (;;) {
    currentBrowser().navigate(address);
    if (!waitUntilReadable(stopRequested)) return Result::Stopped;
    const Clock::time_point start = Clock::now();
    bool switchBrowser = false;
    while (!switchBrowser) {
      if (stopRequested()) return Result::Stopped;
      if (millisecondsSince(start) > limits_.pollMs) return Result::Finished;
      pause(stopRequested);
      if (stopRequested()) return Result::Stopped;
      const platform::PageSource source = currentBrowser().source();
      if (source.state == platform::PageSource::Kind::Unreadable) {
        if (switched) return Result::TextUnreadable;
        currentBrowser().navigateBlank();
        active_ = 1;
        switched = switchBrowser = true;
        continue;
      }
      switch (extract(source.bytes)) {
        case PassOutcome::NothingYet:
          break;
        case PassOutcome::Found:
          found = true;
          return Result::Finished;
        case PassOutcome::EndAttempt:
          return Result::Finished;
        case PassOutcome::Stopped:
          return Result::Stopped;
      }
    }
  }
}

// Waits, with no time limit, until the document is at least interactive; false when Stop came first.
bool PageRetrieval::waitUntilReadable(const StopCheck& stopRequested) {
  while (currentBrowser().readyState() < platform::BrowserReadyState::Interactive) {
    pause(stopRequested);
    if (stopRequested()) return false;
  }
  return true;
}

// The time between two looks at the page, spent handling messages (Stop, painting, and the browser's
// own answers) rather than spinning.
void PageRetrieval::pause(const StopCheck& stopRequested) {
  if (pump_) {
    pump_(limits_.passMs);
    return;
  }
  const Clock::time_point start = Clock::now();
  int left = limits_.passMs;
  do {
    platform::waitForMessage(left);
    left = limits_.passMs - millisecondsSince(start);
  } while (left > 0 && !stopRequested());
}

}  // namespace download

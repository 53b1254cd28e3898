// Loads a video page in the hidden browser controls and reads its text over and over, handing each
// reading to the extraction pass, until the pass has found the video address, the time runs out or the
// caller stops it. Runs on a timer of the thread's event loop: start() returns at once and the end comes
// through `done`, never inside start(). No widgets: the caller supplies the controls and the pass.
#pragma once

#include "platform/browser/WebBrowser.h"

#include <QTimer>

#include <chrono>
#include <functional>
#include <string>

namespace download {

class PageRetrieval {
 public:
  // How one extraction pass over the page text ended.
  enum class PassOutcome {
    NothingYet,    // read the page again
    Found,         // the video address is known: the attempt is over
    EndAttempt,    // the page asks to be loaded afresh
    EndRetrieval,  // the pass has seen enough of the page: no attempt follows
  };
  // How the retrieval of one page ended.
  enum class Result {
    Finished,        // the attempts are over, with or without an address
    EndedByPass,     // the pass ended the retrieval
    TextUnreadable,  // the page's text could not be read in either control
    BrowserFailed,   // the control refused the page (lastError says why)
  };

  using Extraction = std::function<PassOutcome(const std::string& pageText)>;
  using Done = std::function<void(Result result)>;

  struct Limits {
    int pollMs = 30000;  // how long one attempt reads the page once it can be read
    int passMs = 50;     // the time between two looks at the page
    int attempts = 2;
  };

  // `first` and `second` are the two controls; `first` is in use until its text cannot be read, then
  // `second` for good.
  PageRetrieval(platform::WebBrowser& first, platform::WebBrowser& second);
  PageRetrieval(const PageRetrieval&) = delete;
  PageRetrieval& operator=(const PageRetrieval&) = delete;

  void setLimits(const Limits& limits) { limits_ = limits; }
  const Limits& limits() const { return limits_; }
  // How long a loaded page may stay without a readable document: then the retrieval ends as
  // BrowserFailed with "Unable get html from " and the address.
  static constexpr int kReadableLimitMs = 60000;
  void setReadableLimit(int ms) { readableMs_ = ms; }

  // Loads `address` and runs `extract` over its text until the attempts are over; then `done`.
  void start(const std::string& address, Extraction extract, Done done);
  // Ends the retrieval: no more looks at the page, the control in use is left on the empty page, and
  // `done` is not called.
  void stop();

  // The control in use: 0 for the first, 1 for the second.
  int activeBrowser() const { return active_; }
  // The error text of the last BrowserFailed result.
  const std::string& lastError() const { return lastError_; }

 private:
  using Clock = std::chrono::steady_clock;
  enum class Phase { Idle, WaitingReadable, Polling };

  void navigate();
  void onTick();
  void poll();
  void endAttempt(bool found);
  void finish(Result result);
  platform::WebBrowser& currentBrowser() { return active_ == 0 ? first_ : second_; }

  platform::WebBrowser& first_;
  platform::WebBrowser& second_;
  int active_ = 0;
  Limits limits_;
  int readableMs_ = kReadableLimitMs;
  std::string lastError_;

  std::string address_;
  Extraction extract_;
  Done done_;
  Phase phase_ = Phase::Idle;
  int attempt_ = 0;
  bool switched_ = false;  // the controls were switched in this attempt
  Clock::time_point pollStart_;
  Clock::time_point navigated_;  // when the control in use was given the page
  QTimer timer_;
};

}  // namespace download

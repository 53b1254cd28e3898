#include "download/sites/PageRetrieval.h"

#include "resources/Strings.h"

namespace download {

PageRetrieval::PageRetrieval(platform::WebBrowser& first, platform::WebBrowser& second)
    : first_(first), second_(second) {
  QObject::connect(&timer_, &QTimer::timeout, [this] { onTick(); });
}

void PageRetrieval::start(const std::string& address, Extraction extract, Done done) {
  address_ = address;
  extract_ = std::move(extract);
  done_ = std::move(done);
  lastError_.clear();
  attempt_ = 1;
  switched_ = false;
  timer_.start(limits_.passMs);
  navigate();
}

void PageRetrieval::stop() {
  const bool loading = phase_ != Phase::Idle;
  timer_.stop();
  phase_ = Phase::Idle;
  done_ = nullptr;
  // A page still loading or being read is released, so that it uses nothing more.
  if (!loading) return;
  try {
    currentBrowser().navigateBlank();
  } catch (const platform::BrowserError&) {
  }
}

// Loads the page in the control in use; the document is then waited for, up to the readable limit.
void PageRetrieval::navigate() {
  phase_ = Phase::WaitingReadable;
  navigated_ = Clock::now();
  try {
    currentBrowser().navigate(address_);
  } catch (const platform::BrowserError& error) {
    // Told at the next tick, never inside start().
    lastError_ = error.what();
    phase_ = Phase::Idle;
  }
}

void PageRetrieval::onTick() {
  try {
    switch (phase_) {
      case Phase::Idle:
        finish(Result::BrowserFailed);
        return;
      case Phase::WaitingReadable:
        // The time limit of an attempt starts once the document can be read.
        if (currentBrowser().readyState() < platform::BrowserReadyState::Interactive) {
          if (Clock::now() - navigated_ >= std::chrono::milliseconds(readableMs_)) {
            currentBrowser().navigateBlank();
            lastError_ = resources::loadString(resources::StringId::UnableGetHtmlFrom, {address_});
            finish(Result::BrowserFailed);
          }
          return;
        }
        phase_ = Phase::Polling;
        pollStart_ = Clock::now();
        return;
      case Phase::Polling:
        poll();
        return;
    }
  } catch (const platform::BrowserError& error) {
    lastError_ = error.what();
    finish(Result::BrowserFailed);
  }
}

// One look at the page: its text is read and the pass runs over it. When the text cannot be read, the page
// is loaded once more in the second control, with a fresh wait and a fresh time limit.
void PageRetrieval::poll() {
  if (Clock::now() - pollStart_ > std::chrono::milliseconds(limits_.pollMs)) {
    endAttempt(false);
    return;
  }
  const platform::PageSource source = currentBrowser().source();
  if (source.state == platform::PageSource::Kind::Unreadable) {
    if (switched_) {
      finish(Result::TextUnreadable);
      return;
    }
    currentBrowser().navigateBlank();
    active_ = 1;
    switched_ = true;
    navigate();
    return;
  }
  switch (extract_(source.bytes)) {
    case PassOutcome::NothingYet:
      return;
    case PassOutcome::Found:
      endAttempt(true);
      return;
    case PassOutcome::EndAttempt:
      endAttempt(false);
      return;
    case PassOutcome::EndRetrieval:
      finish(Result::EndedByPass);
      return;
  }
}

// The control is left on the empty page after every attempt.
void PageRetrieval::endAttempt(bool found) {
  currentBrowser().navigateBlank();
  if (found || attempt_ >= limits_.attempts) {
    finish(Result::Finished);
    return;
  }
  ++attempt_;
  switched_ = false;
  navigate();
}

void PageRetrieval::finish(Result result) {
  timer_.stop();
  phase_ = Phase::Idle;
  Done done = std::move(done_);
  done_ = nullptr;
  if (done) done(result);
}

}  // namespace download

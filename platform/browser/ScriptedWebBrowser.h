// A browser control that plays pages from a script, for tests that need page states a real engine
// rarely shows on demand: a document that never becomes readable, text that cannot be copied out, a
// navigation that is refused.
#pragma once

#include "platform/browser/WebBrowser.h"

#include <string>
#include <vector>

namespace platform {

class ScriptedWebBrowser final : public WebBrowser {
 public:
  // One look at a page: its ready state and what its source reads as at that moment.
  struct Frame {
    int ReadyState = BrowserReadyState::Complete;
    PageSource Source;
  };
  // What one navigation shows: each call of ReadyState() or Source() reads the current frame and
  // then steps to the next one; the last frame holds. A refused page raises from Navigate.
  struct Page {
    std::vector<Frame> Frames;
    bool Refused = false;
  };

  // Frames that hold `text` at each ready state in turn.
  static Page TextPage(const std::string& text, int firstReadyState = BrowserReadyState::Complete);

  // Pages for the coming navigations, in order; the last one repeats for every further navigation.
  void SetPages(std::vector<Page> pages);

  // What was asked of the control, in order: "navigate <address>" and "blank".
  const std::vector<std::string>& Calls() const { return calls_; }
  int Reads() const { return reads_; }

  void Navigate(const std::string& address) override;
  void NavigateBlank() override;
  int ReadyState() override;
  PageSource Source() override;

 private:
  const Frame& Read();

  std::vector<Page> pages_;
  std::size_t nextPage_ = 0;
  Page current_;
  std::size_t frame_ = 0;
  int reads_ = 0;
  std::vector<std::string> calls_;
};

}  // namespace platform

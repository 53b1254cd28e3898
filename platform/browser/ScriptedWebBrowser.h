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
    int readyState = BrowserReadyState::Complete;
    PageSource source;
  };
  // What one navigation shows: each call of readyState() or source() reads the current frame and
  // then steps to the next one; the last frame holds. A refused page raises from navigate().
  struct Page {
    std::vector<Frame> frames;
    bool refused = false;
  };

  // Frames that hold `text` at each ready state in turn.
  static Page textPage(const std::string& text, int firstReadyState = BrowserReadyState::Complete);

  // Pages for the coming navigations, in order; the last one repeats for every further navigation.
  void setPages(std::vector<Page> pages);

  // What was asked of the control, in order: "navigate <address>" and "blank".
  const std::vector<std::string>& calls() const { return calls_; }
  int reads() const { return reads_; }

  void navigate(const std::string& address) override;
  void navigateBlank() override;
  int readyState() override;
  PageSource source() override;

 private:
  const Frame& read();

  std::vector<Page> pages_;
  std::size_t nextPage_ = 0;
  Page current_;
  std::size_t frame_ = 0;
  int reads_ = 0;
  std::vector<std::string> calls_;
};

}  // namespace platform

#include "platform/browser/ScriptedWebBrowser.h"

#include <algorithm>

namespace platform {

ScriptedWebBrowser::Page ScriptedWebBrowser::textPage(const std::string& text, int firstReadyState) {
  Page page;
  for (int state = firstReadyState; state <= BrowserReadyState::Complete; ++state)
    page.frames.push_back({state, {PageSource::Kind::Text, text}});
  return page;
}

void ScriptedWebBrowser::setPages(std::vector<Page> pages) {
  pages_ = std::move(pages);
  nextPage_ = 0;
}

void ScriptedWebBrowser::navigate(const std::string& address) {
  calls_.push_back("navigate " + address);
  current_ = pages_.empty() ? Page{} : pages_[std::min(nextPage_, pages_.size() - 1)];
  ++nextPage_;
  frame_ = 0;
  if (current_.refused) throw BrowserError("navigation refused: " + address);
}

void ScriptedWebBrowser::navigateBlank() {
  calls_.push_back("blank");
  current_ = textPage("<html><head></head><body></body></html>");
  frame_ = 0;
}

const ScriptedWebBrowser::Frame& ScriptedWebBrowser::read() {
  static const Frame kNothing{BrowserReadyState::Uninitialized, {}};
  ++reads_;
  if (current_.frames.empty()) return kNothing;
  const Frame& frame = current_.frames[std::min(frame_, current_.frames.size() - 1)];
  ++frame_;
  return frame;
}

int ScriptedWebBrowser::readyState() {
  return read().readyState;
}

PageSource ScriptedWebBrowser::source() {
  return read().source;
}

}  // namespace platform

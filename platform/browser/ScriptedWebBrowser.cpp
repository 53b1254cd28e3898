#include "platform/browser/ScriptedWebBrowser.h"

#include <algorithm>

namespace platform {

ScriptedWebBrowser::Page ScriptedWebBrowser::TextPage(const std::string& text, int firstReadyState) {
  Page page;
  for (int state = firstReadyState; state <= BrowserReadyState::Complete; ++state)
    page.Frames.push_back({state, {PageSource::Kind::Text, text}});
  return page;
}

void ScriptedWebBrowser::SetPages(std::vector<Page> pages) {
  pages_ = std::move(pages);
  nextPage_ = 0;
}

void ScriptedWebBrowser::Navigate(const std::string& address) {
  calls_.push_back("navigate " + address);
  current_ = pages_.empty() ? Page{} : pages_[std::min(nextPage_, pages_.size() - 1)];
  ++nextPage_;
  frame_ = 0;
  if (current_.Refused) throw BrowserError("navigation refused: " + address);
}

void ScriptedWebBrowser::NavigateBlank() {
  calls_.push_back("blank");
  current_ = TextPage("<html><head></head><body></body></html>");
  frame_ = 0;
}

const ScriptedWebBrowser::Frame& ScriptedWebBrowser::Read() {
  static const Frame kNothing{BrowserReadyState::Uninitialized, {}};
  ++reads_;
  if (current_.Frames.empty()) return kNothing;
  const Frame& frame = current_.Frames[std::min(frame_, current_.Frames.size() - 1)];
  ++frame_;
  return frame;
}

int ScriptedWebBrowser::ReadyState() {
  return Read().ReadyState;
}

PageSource ScriptedWebBrowser::Source() {
  return Read().Source;
}

}  // namespace platform

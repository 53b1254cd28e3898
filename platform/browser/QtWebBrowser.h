// The browser control on the program's web engine: a hidden page in the shared, persistent profile.
// The page is created with the first navigation, so a control that is never used costs nothing.
// Its page text is the document as the server sent it (decoded), followed by the live document.
#pragma once

#include "platform/browser/WebBrowser.h"

#include <QVariantList>

class QUrl;
class QWebEngineDownloadRequest;

#include <memory>

namespace platform {

class QtWebBrowser final : public WebBrowser {
 public:
  QtWebBrowser();
  ~QtWebBrowser() override;
  QtWebBrowser(const QtWebBrowser&) = delete;
  QtWebBrowser& operator=(const QtWebBrowser&) = delete;

  void navigate(const std::string& address) override;
  void navigateBlank() override;
  // The engine answers questions about its page later, as an event: both calls report what the last
  // answer said and, when no question is open, ask again. The answer arrives while messages are handled.
  int readyState() override;
  PageSource source() override;

 private:
  struct State;
  void createPage();
  void load(const std::string& address);
  void ask();
  static void take(State& state, const QVariantList& answer);
  static void startFetch(State& state, const QUrl& address);
  static void acceptFetch(State& state, const std::weak_ptr<State>& weak, QWebEngineDownloadRequest* request);

  std::shared_ptr<State> state_;
};

}  // namespace platform

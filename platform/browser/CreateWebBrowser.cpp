#include "platform/browser/CreateWebBrowser.h"

#include "platform/browser/QtWebBrowser.h"

namespace platform {

std::unique_ptr<WebBrowser> createWebBrowser() {
  return std::make_unique<QtWebBrowser>();
}

}  // namespace platform

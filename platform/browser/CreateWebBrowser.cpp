#include "platform/browser/CreateWebBrowser.h"

#ifdef CLIPWAVE_HAVE_WEBENGINE
#include "platform/browser/QtWebBrowser.h"
#endif

namespace platform {
namespace {

// Stands in for the control in a build without the web engine.
class MissingWebBrowser final : public WebBrowser {
 public:
  void navigate(const std::string& address) override {
    throw BrowserError("this program was built without a web engine; cannot load " + address);
  }
  void navigateBlank() override {}
  int readyState() override { return BrowserReadyState::Uninitialized; }
  PageSource source() override { return {}; }
};

}  // namespace

std::unique_ptr<WebBrowser> createWebBrowser() {
#ifdef CLIPWAVE_HAVE_WEBENGINE
  return std::make_unique<QtWebBrowser>();
#else
  return std::make_unique<MissingWebBrowser>();
#endif
}

}  // namespace platform

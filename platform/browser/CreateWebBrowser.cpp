#include "platform/browser/CreateWebBrowser.h"

#include "platform/browser/WebEngineModule.h"

#include <exception>
#include <functional>

namespace platform {

namespace {

// A control whose engine is made by the module at its first navigation, the module being loaded then
// if it is not yet. Until then it is an empty control that has loaded nothing.
class ModuleWebBrowser final : public WebBrowser {
 public:
  void navigate(const std::string& address) override {
    call([&] { engine().navigate(address); });
  }
  void navigateBlank() override {
    call([&] { engine().navigateBlank(); });
  }
  int readyState() override { return engine_ ? engine_->readyState() : BrowserReadyState::Uninitialized; }
  PageSource source() override { return engine_ ? engine_->source() : PageSource{}; }

 private:
  WebBrowser& engine() {
    if (!engine_) engine_ = createEngineBrowser();
    return *engine_;
  }

  // What the module raises reaches the caller as a BrowserError of this program, whichever copy of the
  // exception's type the module's was.
  static void call(const std::function<void()>& action) {
    try {
      action();
    } catch (const BrowserError&) {
      throw;
    } catch (const std::exception& e) {
      throw BrowserError(e.what());
    }
  }

  std::unique_ptr<WebBrowser> engine_;
};

}  // namespace

std::unique_ptr<WebBrowser> createWebBrowser() {
  return std::make_unique<ModuleWebBrowser>();
}

}  // namespace platform

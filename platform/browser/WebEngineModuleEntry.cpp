// The entry points of the web engine module; everything else in it stays hidden.
#include "platform/browser/BrowserProfile.h"
#include "platform/browser/QtWebBrowser.h"
#include "platform/browser/SignInWindow.h"
#include "platform/browser/WebEngineModuleInterface.h"

#include <QUrl>

#include <cstdio>
#include <exception>
#include <type_traits>

#define CLIPWAVE_MODULE_EXPORT __attribute__((visibility("default")))

extern "C" CLIPWAVE_MODULE_EXPORT int clipwave_webengine_interface() {
  return platform::kWebEngineModuleInterface;
}

extern "C" CLIPWAVE_MODULE_EXPORT platform::WebBrowser* clipwave_webengine_create_browser(char* error,
                                                                                          int errorSize) {
  try {
    return new platform::QtWebBrowser();
  } catch (const std::exception& e) {
    if (error != nullptr && errorSize > 0)
      std::snprintf(error, static_cast<std::size_t>(errorSize), "%s", e.what());
  } catch (...) {
    if (error != nullptr && errorSize > 0)
      std::snprintf(error, static_cast<std::size_t>(errorSize), "unknown error");
  }
  return nullptr;
}

extern "C" CLIPWAVE_MODULE_EXPORT void clipwave_webengine_cookies(
    std::vector<platform::BrowserCookie>* cookies) {
  if (cookies != nullptr) *cookies = platform::profileCookies();
}

extern "C" CLIPWAVE_MODULE_EXPORT QWidget* clipwave_webengine_open_sign_in(const char* address,
                                                                           QWidget* owner, char* error,
                                                                           int errorSize) {
  try {
    auto* window = new platform::SignInWindow(QUrl::fromUserInput(QString::fromUtf8(address)), owner);
    window->show();
    return window;
  } catch (const std::exception& e) {
    if (error != nullptr && errorSize > 0)
      std::snprintf(error, static_cast<std::size_t>(errorSize), "%s", e.what());
  }
  return nullptr;
}

// The entry points have the types the program calls them with.
static_assert(std::is_same_v<decltype(&clipwave_webengine_interface), platform::WebEngineInterfaceFunction>);
static_assert(
    std::is_same_v<decltype(&clipwave_webengine_create_browser), platform::WebEngineCreateFunction>);
static_assert(std::is_same_v<decltype(&clipwave_webengine_cookies), platform::WebEngineCookiesFunction>);
static_assert(std::is_same_v<decltype(&clipwave_webengine_open_sign_in), platform::WebEngineSignInFunction>);

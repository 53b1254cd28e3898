// The entry points of the web engine module; everything else in it stays hidden.
#include "platform/browser/QtWebBrowser.h"
#include "platform/browser/WebEngineModuleInterface.h"

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

// The entry points have the types the program calls them with.
static_assert(std::is_same_v<decltype(&clipwave_webengine_interface), platform::WebEngineInterfaceFunction>);
static_assert(
    std::is_same_v<decltype(&clipwave_webengine_create_browser), platform::WebEngineCreateFunction>);

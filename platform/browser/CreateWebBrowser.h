// The browser control the program's windows use: the web engine's control, made by the engine module
// (WebEngineModule.h) at the control's first navigation.
#pragma once

#include "platform/browser/WebBrowser.h"

#include <memory>

namespace platform {

// A new control; its page is created with the first navigation. Without the engine module every
// navigation raises BrowserError with webEngineMissingMessage().
std::unique_ptr<WebBrowser> createWebBrowser();

}  // namespace platform

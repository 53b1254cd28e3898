// The browser control the program's windows use: the web engine's control.
#pragma once

#include "platform/browser/WebBrowser.h"

#include <memory>

namespace platform {

// A new control; its page is created with the first navigation.
std::unique_ptr<WebBrowser> createWebBrowser();

}  // namespace platform

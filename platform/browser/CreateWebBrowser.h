// The browser control the program's windows use: the web engine's control when the program was
// built with the engine, else one that refuses every page (the retrieval then ends without a page).
#pragma once

#include "platform/browser/WebBrowser.h"

#include <memory>

namespace platform {

// A new control; its page is created with the first navigation.
std::unique_ptr<WebBrowser> createWebBrowser();

}  // namespace platform

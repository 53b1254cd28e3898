// What the program and the web engine module agree on: the names of the module's entry points and the
// version of the browser control interface (WebBrowser.h) the module was built against. Change the
// version with every change of WebBrowser.h, so that an older module is refused rather than misused.
#pragma once

#include "platform/browser/WebBrowser.h"

namespace platform {

inline constexpr int kWebEngineModuleInterface = 1;

// int clipwave_webengine_interface(): the interface version the module was built against.
inline constexpr const char* kWebEngineInterfaceSymbol = "clipwave_webengine_interface";
using WebEngineInterfaceFunction = int (*)();

// WebBrowser* clipwave_webengine_create_browser(char* error, int errorSize): a new browser control, owned
// by the caller and deleted through WebBrowser's virtual destructor; nullptr (and the reason in `error`)
// when it cannot be made.
inline constexpr const char* kWebEngineCreateSymbol = "clipwave_webengine_create_browser";
using WebEngineCreateFunction = WebBrowser* (*)(char* error, int errorSize);

}  // namespace platform

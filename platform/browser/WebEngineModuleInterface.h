// What the program and the web engine module agree on: the names of the module's entry points and the
// version of the browser control interface (WebBrowser.h) the module was built against. Change the
// version with every change of WebBrowser.h, so that an older module is refused rather than misused.
#pragma once

#include "platform/browser/BrowserCookie.h"
#include "platform/browser/WebBrowser.h"

#include <vector>

class QWidget;

namespace platform {

inline constexpr int kWebEngineModuleInterface = 2;

// int clipwave_webengine_interface(): the interface version the module was built against.
inline constexpr const char* kWebEngineInterfaceSymbol = "clipwave_webengine_interface";
using WebEngineInterfaceFunction = int (*)();

// WebBrowser* clipwave_webengine_create_browser(char* error, int errorSize): a new browser control, owned
// by the caller and deleted through WebBrowser's virtual destructor; nullptr (and the reason in `error`)
// when it cannot be made.
inline constexpr const char* kWebEngineCreateSymbol = "clipwave_webengine_create_browser";
using WebEngineCreateFunction = WebBrowser* (*)(char* error, int errorSize);

// void clipwave_webengine_cookies(std::vector<BrowserCookie>* cookies): the cookies the shared profile
// holds now (those of pages loaded in this run as well as those kept from earlier runs); none before
// the profile is first used.
inline constexpr const char* kWebEngineCookiesSymbol = "clipwave_webengine_cookies";
using WebEngineCookiesFunction = void (*)(std::vector<BrowserCookie>* cookies);

// QWidget* clipwave_webengine_open_sign_in(const char* address, QWidget* owner, char* error, int errorSize):
// a visible browser window on `address` in the shared profile, shown and deleted when it is closed (or
// with `owner`); nullptr (and the reason in `error`) when it cannot be made.
inline constexpr const char* kWebEngineSignInSymbol = "clipwave_webengine_open_sign_in";
using WebEngineSignInFunction = QWidget* (*)(const char* address, QWidget* owner, char* error, int errorSize);

}  // namespace platform

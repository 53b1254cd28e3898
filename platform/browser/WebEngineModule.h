// The web engine lives in a module of its own (clipwave-webengine.so), loaded the first time a page is
// fetched: the program does not link the engine, which alone would take several times the memory of the
// rest of the program at every start. A build or a machine without the module still starts and converts
// local files; a page address is then answered with webEngineMissingMessage().
#pragma once

#include "platform/browser/BrowserCookie.h"
#include "platform/browser/WebBrowser.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QWidget;

namespace platform {

// The module's file name.
inline constexpr const char* kWebEngineModuleFile = "clipwave-webengine.so";

// Loads the module unless it is loaded already; true when its browser controls can be created. A module
// once loaded stays loaded. A failure is kept (webEngineModuleError) and the next call tries again. Call
// from the main thread.
bool loadWebEngineModule();

// `prepare` runs once on the main thread, right before the module is first looked for (the windows'
// program makes the graphics context the engine shares with them: WebEngineGraphics.h).
void setBeforeWebEngineLoad(std::function<void()> prepare);

// True once the module has been loaded; tries nothing.
bool webEngineModuleLoaded();

// Why the last load failed; empty when it did not.
std::string webEngineModuleError();

// Where the module is looked for, in order: the file named by setWebEngineModulePath, else by
// $CLIPWAVE_WEBENGINE_MODULE, else the module beside the executable (a build folder, a portable copy) and
// in the installed layout's library folder.
std::vector<std::string> webEngineModuleCandidates();

// Makes the module be looked for at `path` alone (tests); an empty path goes back to the rule above.
void setWebEngineModulePath(const std::string& path);

// A new control of the engine, made by the module (loaded first if need be). Raises BrowserError with
// webEngineMissingMessage() when there is no module, or with the module's reason.
std::unique_ptr<WebBrowser> createEngineBrowser();

// The cookies of the engine's profile, as the module holds them now; none when the module has not been
// loaded (no page was fetched in this run). Never loads the module.
std::vector<BrowserCookie> engineCookies();

// Opens a visible browser window of the engine on `address`, in the profile the pages share, so that what
// the user signs into there is there for the next page and download. Loads the module if need be; raises
// BrowserError as createEngineBrowser does. The window is shown, owned by `owner` and deleted when closed.
QWidget* openSignInWindow(const std::string& address, QWidget* owner);

// What the user is told when a page address is given and the module could not be loaded.
std::string webEngineMissingMessage();

}  // namespace platform

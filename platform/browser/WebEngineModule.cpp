#include "platform/browser/WebEngineModule.h"

#include "platform/Paths.h"
#include "platform/browser/WebEngineModuleInterface.h"

#include <QCoreApplication>

#include <dlfcn.h>

#include <cstdlib>
#include <memory>
#include <utility>

// The module's folder relative to the executable's in the installed layout (set by the build).
#ifndef CLIPWAVE_MODULE_DIR_FROM_BIN
#define CLIPWAVE_MODULE_DIR_FROM_BIN "../lib/clipwave"
#endif

namespace platform {
namespace {

struct ModuleEntries {
  WebEngineCreateFunction create = nullptr;
  WebEngineCookiesFunction cookies = nullptr;
  WebEngineSignInFunction signIn = nullptr;
};

// The module's entry points; null until the module is loaded.
ModuleEntries loaded;

std::string& modulePathOverride() {
  static std::string path;
  return path;
}

std::function<void()>& beforeLoad() {
  static std::function<void()> prepare;
  return prepare;
}

std::string& lastError() {
  static std::string error;
  return error;
}

// Opens one candidate and checks its entry points; the reason when it cannot be used.
ModuleEntries openModule(const std::string& path, std::string& why) {
  // Its symbols stay to itself. A module in use is never closed: the engine cannot be unloaded.
  void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    const char* error = ::dlerror();
    why = error != nullptr ? error : path + ": cannot be loaded";
    return {};
  }
  const auto interface =
      reinterpret_cast<WebEngineInterfaceFunction>(::dlsym(module, kWebEngineInterfaceSymbol));
  const ModuleEntries entries{
      reinterpret_cast<WebEngineCreateFunction>(::dlsym(module, kWebEngineCreateSymbol)),
      reinterpret_cast<WebEngineCookiesFunction>(::dlsym(module, kWebEngineCookiesSymbol)),
      reinterpret_cast<WebEngineSignInFunction>(::dlsym(module, kWebEngineSignInSymbol)),
  };
  if (interface == nullptr || entries.create == nullptr) {
    why = path + ": not a Clipwave web engine module";
  } else if (const int version = interface(); version != kWebEngineModuleInterface) {
    why = path + ": made for another version of Clipwave (interface " + std::to_string(version) +
          ", this program needs " + std::to_string(kWebEngineModuleInterface) + ")";
  } else if (entries.cookies == nullptr || entries.signIn == nullptr) {
    why = path + ": not a Clipwave web engine module";
  } else {
    return entries;
  }
  ::dlclose(module);
  return {};
}

}  // namespace

std::vector<std::string> webEngineModuleCandidates() {
  if (!modulePathOverride().empty()) return {modulePathOverride()};
  if (const char* path = std::getenv("CLIPWAVE_WEBENGINE_MODULE"); path != nullptr && *path != '\0')
    return {path};
  const std::string exeDir = executableDir();
  return {exeDir + kWebEngineModuleFile, exeDir + CLIPWAVE_MODULE_DIR_FROM_BIN + "/" + kWebEngineModuleFile};
}

void setWebEngineModulePath(const std::string& path) {
  modulePathOverride() = path;
}

void setBeforeWebEngineLoad(std::function<void()> prepare) {
  beforeLoad() = std::move(prepare);
}

bool loadWebEngineModule() {
  if (loaded.create != nullptr) return true;
  if (const std::function<void()> prepare = std::exchange(beforeLoad(), nullptr)) prepare();
  std::string reasons;
  for (const std::string& path : webEngineModuleCandidates()) {
    std::string why;
    if (!fileExists(path)) {
      why = path + ": no such file";
    } else if (const ModuleEntries entries = openModule(path, why); entries.create != nullptr) {
      loaded = entries;
      lastError().clear();
      return true;
    }
    reasons += (reasons.empty() ? "" : "\n") + why;
  }
  lastError() = reasons;
  return false;
}

bool webEngineModuleLoaded() {
  return loaded.create != nullptr;
}

std::string webEngineModuleError() {
  return lastError();
}

std::unique_ptr<WebBrowser> createEngineBrowser() {
  if (!loadWebEngineModule()) throw BrowserError(webEngineMissingMessage());
  char error[512] = "";
  std::unique_ptr<WebBrowser> browser(loaded.create(error, sizeof error));
  if (!browser) throw BrowserError(std::string("the web engine's control could not be made: ") + error);
  return browser;
}

std::vector<BrowserCookie> engineCookies() {
  std::vector<BrowserCookie> cookies;
  if (loaded.cookies != nullptr) loaded.cookies(&cookies);
  return cookies;
}

QWidget* openSignInWindow(const std::string& address, QWidget* owner) {
  if (!loadWebEngineModule()) throw BrowserError(webEngineMissingMessage());
  char error[512] = "";
  QWidget* window = loaded.signIn(address.c_str(), owner, error, sizeof error);
  if (window == nullptr) throw BrowserError(std::string("the sign-in window could not be made: ") + error);
  return window;
}

std::string webEngineMissingMessage() {
  std::string text = QCoreApplication::translate(
                         "WebEngineModule",
                         "Video pages cannot be loaded: the web engine module of this copy of Clipwave is "
                         "missing or could not be started. Local video files can still be converted.")
                         .toStdString();
  if (!lastError().empty()) text += "\n\n" + lastError();
  return text;
}

}  // namespace platform

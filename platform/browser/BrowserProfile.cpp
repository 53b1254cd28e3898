#include "platform/browser/BrowserProfile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QLoggingCategory>
#include <QNetworkCookie>
#include <QWebEngineCookieStore>
#include <QWebEngineProfile>

#include <map>
#include <tuple>

#include <unistd.h>

namespace platform {
namespace {

std::string& profileFolder() {
  static std::string folder;
  return folder;
}

// Engine switches, read once when the engine starts. The pages are never shown, yet their scripts are
// to run at full pace, since a page may fill in while it is read (the engine otherwise slows down or
// holds back the timers of pages it takes for hidden). They need no graphics processor, and the
// engine is to fetch nothing on its own (no updates, no background requests). Switches the user set
// come first and are kept.
void prepareEngineSwitches() {
  QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
  for (const char* flag : {"--disable-background-timer-throttling", "--disable-renderer-backgrounding",
                           "--disable-backgrounding-occluded-windows", "--disable-gpu",
                           "--disable-background-networking", "--disable-component-update", "--disable-sync",
                           "--disable-domain-reliability", "--no-pings", "--no-first-run"}) {
    if (flags.contains(flag)) continue;
    if (!flags.isEmpty()) flags.append(' ');
    flags.append(flag);
  }
  qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags);
  // The engine's report of its graphics set-up at start says nothing to the user.
  QLoggingCategory::setFilterRules(
      QStringLiteral("qt.webenginecontext.debug=false\nqt.webenginecontext.info=false"));
  // The engine's sandbox refuses to start under the super-user; as there the engine could not run at
  // all otherwise, it runs without the sandbox in that one case.
  if (geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
}

// The profile's cookies by name, domain and path, as its store reports them. The store tells each change
// as it happens, and the cookies kept on disk once, when asked to (loadAllCookies).
using CookieKey = std::tuple<QByteArray, QString, QString>;
std::map<CookieKey, QNetworkCookie>& cookieMirror() {
  static std::map<CookieKey, QNetworkCookie> cookies;
  return cookies;
}

CookieKey keyOf(const QNetworkCookie& cookie) {
  return {cookie.name(), cookie.domain(), cookie.path()};
}

void mirrorCookies(QWebEngineProfile& profile) {
  QWebEngineCookieStore* store = profile.cookieStore();
  QObject::connect(store, &QWebEngineCookieStore::cookieAdded, &profile,
                   [](const QNetworkCookie& cookie) { cookieMirror()[keyOf(cookie)] = cookie; });
  QObject::connect(store, &QWebEngineCookieStore::cookieRemoved, &profile,
                   [](const QNetworkCookie& cookie) { cookieMirror().erase(keyOf(cookie)); });
  store->loadAllCookies();
}

}  // namespace

std::vector<BrowserCookie> profileCookies() {
  std::vector<BrowserCookie> cookies;
  for (const auto& [key, cookie] : cookieMirror()) {
    BrowserCookie copy;
    copy.name = cookie.name().toStdString();
    copy.value = cookie.value().toStdString();
    copy.domain = cookie.domain().toStdString();
    copy.path = cookie.path().toStdString();
    copy.secure = cookie.isSecure();
    if (!cookie.isSessionCookie()) copy.expires = cookie.expirationDate().toSecsSinceEpoch();
    cookies.push_back(std::move(copy));
  }
  return cookies;
}

void setBrowserProfileFolder(const std::string& folder) {
  profileFolder() = folder;
}

QWebEngineProfile& sharedBrowserProfile() {
  static QWebEngineProfile* profile = nullptr;
  if (profile == nullptr) {
    prepareEngineSwitches();
    profile = new QWebEngineProfile(QStringLiteral("clipwave"), QCoreApplication::instance());
    if (!profileFolder().empty()) {
      const QString folder = QString::fromStdString(profileFolder());
      profile->setPersistentStoragePath(folder);
      profile->setCachePath(folder + QStringLiteral("/cache"));
    }
    QObject::connect(profile, &QObject::destroyed, [] {
      profile = nullptr;
      cookieMirror().clear();
    });
    mirrorCookies(*profile);
  }
  return *profile;
}

}  // namespace platform

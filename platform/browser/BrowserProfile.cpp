#include "platform/browser/BrowserProfile.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QWebEngineProfile>

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

}  // namespace

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
    QObject::connect(profile, &QObject::destroyed, [] { profile = nullptr; });
  }
  return *profile;
}

}  // namespace platform

// A word on the desktop through the freedesktop notification service (org.freedesktop.Notifications on the
// session bus): a summary, a body, the program's desktop entry as hint, and an "Open folder" action. Where
// no session bus or no notification service is there, nothing is shown and nothing fails. Qt Core and Qt
// D-Bus only; what the action opens is the caller's (the windows open the folder with the desktop's file
// browser).
#pragma once

#include "platform/Paths.h"

#include <QObject>

#include <functional>
#include <map>
#include <string>
#include <string_view>

class QDBusPendingCallWatcher;

namespace platform {

// The desktop entry's id: its file name without ".desktop", as the notification's "desktop-entry" hint.
inline constexpr std::string_view kDesktopEntryId = [] {
  constexpr std::string_view kFile = kDesktopEntryFile;
  constexpr std::string_view kSuffix = ".desktop";
  static_assert(kFile.ends_with(kSuffix), "the desktop entry's file name ends with .desktop");
  return kFile.substr(0, kFile.size() - kSuffix.size());
}();

class DesktopNotifier final : public QObject {
  Q_OBJECT

 public:
  static constexpr const char* kService = "org.freedesktop.Notifications";
  static constexpr const char* kPath = "/org/freedesktop/Notifications";
  static constexpr const char* kOpenFolderAction = "open-folder";

  // `openFolder` is called with the folder of a notification whose "Open folder" the user chose.
  explicit DesktopNotifier(std::function<void(const std::string& folder)> openFolder,
                           QObject* parent = nullptr);
  ~DesktopNotifier() override;

  // Sends a notification with the summary "Clipwave" and `body`; with a `folder`, it offers "Open folder".
  // Returns at once; the service's answer comes later (or never).
  void notify(const std::string& body, const std::string& folder);

  // How many notifications the service has taken so far (tests).
  int shown() const { return shown_; }

 private slots:
  void onActionInvoked(uint id, const QString& action);
  void onClosed(uint id, uint reason);

 private:
  void onAnswer(QDBusPendingCallWatcher* call, const std::string& folder);

  std::function<void(const std::string&)> openFolder_;
  std::map<uint, std::string> folders_;  // notification id -> its folder, while it is shown
  bool listening_ = false;
  int shown_ = 0;
};

}  // namespace platform

#include "platform/DesktopNotification.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>

namespace platform {
namespace {

constexpr const char* kInterface = "org.freedesktop.Notifications";
constexpr int kExpireDefault = -1;  // the service's own time

}  // namespace

DesktopNotifier::DesktopNotifier(std::function<void(const std::string& folder)> openFolder, QObject* parent)
    : QObject(parent), openFolder_(std::move(openFolder)) {}

DesktopNotifier::~DesktopNotifier() = default;

void DesktopNotifier::notify(const std::string& body, const std::string& folder) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return;  // no session bus: no word, and no error either
  if (!listening_) {
    listening_ = true;
    bus.connect(QString::fromLatin1(kService), QString::fromLatin1(kPath), QString::fromLatin1(kInterface),
                QStringLiteral("ActionInvoked"), this, SLOT(onActionInvoked(uint, QString)));
    bus.connect(QString::fromLatin1(kService), QString::fromLatin1(kPath), QString::fromLatin1(kInterface),
                QStringLiteral("NotificationClosed"), this, SLOT(onClosed(uint, uint)));
  }
  QStringList actions;
  if (!folder.empty())
    actions << QString::fromLatin1(kOpenFolderAction)
            << QCoreApplication::translate("DesktopNotification", "Open folder");
  const QVariantMap hints{
      {QStringLiteral("desktop-entry"), QString::fromUtf8(kDesktopEntryId.data(), kDesktopEntryId.size())}};
  QDBusMessage call =
      QDBusMessage::createMethodCall(QString::fromLatin1(kService), QString::fromLatin1(kPath),
                                     QString::fromLatin1(kInterface), QStringLiteral("Notify"));
  call << QStringLiteral("Clipwave") << 0u << QString() << QStringLiteral("Clipwave")
       << QString::fromStdString(body) << actions << hints << kExpireDefault;
  // Asked without waiting: a service that is missing, slow or broken costs the program nothing.
  auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this,
          [this, folder](QDBusPendingCallWatcher* answer) { onAnswer(answer, folder); });
}

void DesktopNotifier::onAnswer(QDBusPendingCallWatcher* call, const std::string& folder) {
  call->deleteLater();
  const QDBusPendingReply<uint> reply = *call;
  if (reply.isError()) return;  // no notification service: nothing shown
  ++shown_;
  if (!folder.empty()) folders_[reply.value()] = folder;
}

void DesktopNotifier::onActionInvoked(uint id, const QString& action) {
  const auto shown = folders_.find(id);
  if (shown == folders_.end() || action != QLatin1String(kOpenFolderAction)) return;
  const std::string folder = shown->second;
  if (openFolder_) openFolder_(folder);
}

void DesktopNotifier::onClosed(uint id, uint) {
  folders_.erase(id);
}

}  // namespace platform

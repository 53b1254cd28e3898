// The desktop notification on a session bus of the test's own (dbus-run-session starts it for each test):
// a small notification service, written here with Qt D-Bus on a connection of its own, records what it
// receives and invokes the action back. Without a service, or without a bus, nothing is shown and nothing
// fails.
#include "platform/DesktopNotification.h"
#include "queue/Queue.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace {

using testing_support::waitFor;

struct Received {
  QString appName, icon, summary, body;
  QStringList actions;
  QVariantMap hints;
  int timeout = 0;
};

// The service's side of org.freedesktop.Notifications: what the program calls, recorded.
class NotificationService final : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

 public:
  explicit NotificationService(QDBusConnection bus) : bus_(std::move(bus)) {}

  std::vector<Received> received;

  // Sends the action's signal, as the service does when the user clicks it.
  void invoke(uint id, const QString& action) {
    QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/Notifications"),
                                                     QStringLiteral("org.freedesktop.Notifications"),
                                                     QStringLiteral("ActionInvoked"));
    signal << id << action;
    bus_.send(signal);
  }

 public slots:
  // The protocol's method names.
  // NOLINTBEGIN(readability-identifier-naming)
  uint Notify(const QString& appName, uint, const QString& icon, const QString& summary, const QString& body,
              const QStringList& actions, const QVariantMap& hints, int timeout) {
    received.push_back({appName, icon, summary, body, actions, hints, timeout});
    return static_cast<uint>(received.size()) + 40;
  }
  QStringList GetCapabilities() { return {QStringLiteral("actions"), QStringLiteral("body")}; }
  // NOLINTEND(readability-identifier-naming)

 private:
  QDBusConnection bus_;
};

TEST(NotificationTest, TheServiceGetsTheWordAndItsActionOpensTheFolder) {
  ASSERT_NE(std::getenv("DBUS_SESSION_BUS_ADDRESS"), nullptr) << "run under dbus-run-session";
  QDBusConnection serviceBus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "service");
  ASSERT_TRUE(serviceBus.isConnected());
  NotificationService service(serviceBus);
  ASSERT_TRUE(serviceBus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &service,
                                        QDBusConnection::ExportAllSlots));
  ASSERT_TRUE(serviceBus.registerService(QStringLiteral("org.freedesktop.Notifications")));

  std::vector<std::string> opened;
  platform::DesktopNotifier notifier([&](const std::string& folder) { opened.push_back(folder); });
  notifier.notify(queue::summaryText(12, 1), "/music/album");
  ASSERT_TRUE(waitFor([&] { return notifier.shown() == 1; }, 10000));
  ASSERT_EQ(service.received.size(), 1u);
  const Received& word = service.received[0];
  EXPECT_EQ(word.summary, "Clipwave");
  EXPECT_EQ(word.body, "12 done, 1 failed");
  EXPECT_EQ(word.appName, "Clipwave");
  EXPECT_EQ(word.actions, (QStringList{"open-folder", "Open folder"}));
  EXPECT_EQ(word.hints.value("desktop-entry").toString(), "org.clipwave.Clipwave");
  EXPECT_EQ(word.timeout, -1);

  service.invoke(999, QStringLiteral("open-folder"));  // another program's notification
  service.invoke(41, QStringLiteral("default"));       // a click on the notification itself
  service.invoke(41, QStringLiteral("open-folder"));
  ASSERT_TRUE(waitFor([&] { return !opened.empty(); }, 10000));
  testing_support::pumpEvents(100);
  EXPECT_EQ(opened, std::vector<std::string>{"/music/album"});

  notifier.notify(queue::summaryText(1, 0), {});  // without a folder: no action offered
  ASSERT_TRUE(waitFor([&] { return notifier.shown() == 2; }, 10000));
  EXPECT_EQ(service.received[1].body, "1 done");
  EXPECT_TRUE(service.received[1].actions.isEmpty());
}

TEST(NotificationTest, WithoutAServiceNothingIsShownAndNothingFails) {
  ASSERT_TRUE(QDBusConnection::sessionBus().isConnected());
  ASSERT_FALSE(QDBusConnection::sessionBus().interface()->isServiceRegistered(
      QStringLiteral("org.freedesktop.Notifications")));
  platform::DesktopNotifier notifier([](const std::string&) { ADD_FAILURE() << "nothing to open"; });
  notifier.notify("1 done", "/music");
  testing_support::pumpEvents(500);
  EXPECT_EQ(notifier.shown(), 0);
}

TEST(NotificationTest, WithoutASessionBusNothingIsShownAndNothingFails) {
  ::setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/clipwave-test-bus", 1);
  platform::DesktopNotifier notifier([](const std::string&) { ADD_FAILURE() << "nothing to open"; });
  notifier.notify("1 done", "/music");
  testing_support::pumpEvents(200);
  EXPECT_EQ(notifier.shown(), 0);
}

}  // namespace

#include "NotificationTest.moc"

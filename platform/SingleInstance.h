// One running copy per user, over a local socket named after the main window's class name.
#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <string>

class QLocalServer;

namespace platform {

class SingleInstance : public QObject {
 public:
  // `name` is the instance name (the main window's class name); the socket is per user.
  explicit SingleInstance(const std::string& name);
  ~SingleInstance() override;

  // True when another copy is running: it has been told to come forward, and this copy should end.
  bool notifyRunningInstance(int timeoutMs = 1000);

  // Starts listening (removing a stale socket a killed copy left behind). `onShow` runs on this thread
  // each time another copy starts. False when the socket cannot be created.
  bool listen(std::function<void()> onShow);

  const QString& serverName() const { return serverName_; }

 private:
  QString serverName_;
  std::unique_ptr<QLocalServer> server_;
  std::function<void()> onShow_;
};

}  // namespace platform

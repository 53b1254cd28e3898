// One running copy per user, over a Unix domain socket in the user's runtime folder named after the main
// window's class name. Plain sockets and a socket notifier, so the program's start needs nothing beyond
// Qt Core for it.
#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QSocketNotifier;

namespace platform {

class SingleInstance : public QObject {
 public:
  // `name` is the instance name (the main window's class name); the socket is per user.
  explicit SingleInstance(const std::string& name);
  ~SingleInstance() override;
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  // True when another copy is running: it has been told to come forward, and this copy should end.
  bool notifyRunningInstance(int timeoutMs = 1000);

  // Starts listening (removing a stale socket a killed copy left behind, never a live one). `onShow`
  // runs on this thread each time another copy starts. False when the socket cannot be created.
  bool listen(std::function<void()> onShow);

  // The socket's file: $XDG_RUNTIME_DIR (else the temporary folder) / <name>-<user id>.
  const std::string& socketPath() const { return socketPath_; }

 private:
  struct Caller;
  void acceptCallers();
  void readCaller(Caller& caller);
  void dropCaller(const Caller& caller);

  std::string socketPath_;
  int listener_ = -1;
  std::unique_ptr<QSocketNotifier> listenerNotifier_;
  std::vector<std::unique_ptr<Caller>> callers_;
  std::function<void()> onShow_;
};

}  // namespace platform

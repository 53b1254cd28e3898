// The signals that ask a program to stop (SIGINT, SIGTERM, SIGHUP), turned into a call on the thread that
// watches them. The signal handler only notes the signal and writes its number into a pipe (the
// self-pipe); a QSocketNotifier on the pipe's other end then calls `onSignal` from the event loop, where
// any work is safe, nested message pumps included. One watch at a time; the handlers that were in place
// before it come back when it is destroyed.
#pragma once

#include <QObject>

#include <functional>
#include <memory>

class QSocketNotifier;

namespace platform {

class StopSignals : public QObject {
 public:
  // Installs the handlers. `onSignal` gets each signal's number, in the order they came.
  explicit StopSignals(std::function<void(int signal)> onSignal);
  ~StopSignals() override;
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  // The first signal received since the watch began, or 0. Set inside the handler itself, so it is
  // true at once, even before the event loop has called `onSignal`.
  static int first();

  // The status a program ends with after `signal`, as shells report it: 128 + the signal's number
  // (130 for SIGINT, 143 for SIGTERM, 129 for SIGHUP).
  static int exitStatus(int signal) { return 128 + signal; }

 private:
  void onReadable();

  std::function<void(int)> onSignal_;
  std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace platform

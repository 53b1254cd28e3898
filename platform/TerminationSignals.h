// SIGTERM, SIGINT and SIGHUP turned into an ordinary event of the thread that created the object: the
// signal handler only writes the signal's number into a pipe, and a socket notifier on the other end
// runs the callback from the event loop, where anything may be done. Used by the window program and
// by the command line alike.
#pragma once

#include <QObject>

#include <csignal>
#include <functional>
#include <memory>

class QSocketNotifier;

namespace platform {

class TerminationSignals : public QObject {
 public:
  // Catches the three signals until destroyed; `onSignal` gets the signal's number, once for each signal
  // that arrives. One object at a time: a second one while the first lives raises std::logic_error.
  explicit TerminationSignals(std::function<void(int)> onSignal);
  ~TerminationSignals() override;  // the signals' previous handling comes back
  TerminationSignals(const TerminationSignals&) = delete;
  TerminationSignals& operator=(const TerminationSignals&) = delete;

  // The signals caught, for tests and messages.
  static constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

 private:
  void drain();

  std::function<void(int)> onSignal_;
  std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace platform

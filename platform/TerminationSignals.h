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
  // Whether a blocking system call that a signal interrupts starts again (the window program, where
  // libraries' threads may not expect EINTR) or returns with EINTR (the command line, so that a
  // question waiting on the terminal gives way to the signal).
  enum class InterruptedCalls { Restart, Fail };

  // Catches the three signals until destroyed; `onSignal` gets the signal's number, once for each signal
  // that arrives. One object at a time: a second one while the first lives raises std::logic_error.
  explicit TerminationSignals(std::function<void(int)> onSignal,
                              InterruptedCalls interrupted = InterruptedCalls::Restart);
  ~TerminationSignals() override;  // the signals' previous handling comes back
  TerminationSignals(const TerminationSignals&) = delete;
  TerminationSignals& operator=(const TerminationSignals&) = delete;

  // The signals caught, for tests and messages.
  static constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

  // The first signal received since the current object began, or 0. Set inside the handler itself, so it
  // is true at once, even before the event loop has called `onSignal`.
  static int first();

  // The status a program ends with after `signal`, as shells report it: 128 + the signal's number
  // (130 for SIGINT, 143 for SIGTERM, 129 for SIGHUP).
  static int exitStatus(int signal) { return 128 + signal; }

 private:
  void drain();

  std::function<void(int)> onSignal_;
  std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace platform

// The watcher thread of a conversion: it peeks at the converter's output pipes and waits on the
// process; reading, parsing and finishing run on the conversion object's thread, through calls that
// the watcher posts there and waits for, one at a time.
#pragma once

#include "platform/Messages.h"

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

namespace platform {
class ChildProcess;
}

namespace convert {

class ConvertProcess;

class ConvertWatcher {
 private:
  struct Rendezvous;

 public:
  enum class Action { ReadStdout, ReadStderr, Finish };

  // A call from the watcher, posted to the conversion object's mailbox: what to do and the bytes waiting.
  struct Call {
    Action action;
    std::uint32_t bytes;
    std::shared_ptr<Rendezvous> rendezvous;  // where the watcher waits for the answer
  };

  explicit ConvertWatcher(ConvertProcess& process);  // starts watching at once
  ~ConvertWatcher();                                 // asks to stop and waits until it has stopped

  // The stop request. It also releases a call the watcher is waiting for, so stopping never needs
  // the conversion object's thread to run.
  void terminate();

  // Runs on the conversion object's thread for a Call: `fn(action, bytes)` unless the watcher that made
  // the call has been asked to stop since, then lets the watcher go on.
  template <typename Fn>
  static void serve(const Call& call, Fn&& fn) {
    if (call.rendezvous == nullptr || call.rendezvous->isStopped()) return;
    fn(call.action, call.bytes);
    call.rendezvous->answer();
  }

 private:
  // The rendezvous of one watcher with the conversion object's thread; shared with the calls in flight,
  // so a call handled after the watcher is gone finds it stopped.
  struct Rendezvous {
    std::mutex mutex;
    std::condition_variable changed;
    bool stopped = false;
    std::uint64_t asked = 0, answered = 0;
    bool isStopped();
    void answer();
  };

  void run();
  bool servePipes();
  bool call(Action action, std::uint32_t bytes);  // false once stopped

  platform::MailboxRef<Call> target_;
  int stdout_, stderr_;
  const platform::ChildProcess& child_;
  std::shared_ptr<Rendezvous> rendezvous_ = std::make_shared<Rendezvous>();
  std::thread thread_;
};

}  // namespace convert

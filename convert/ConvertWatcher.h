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

class ConvertProcess;

class ConvertWatcher {
 public:
  enum Action : std::uintptr_t { ReadStdout = 1, ReadStderr = 2, Finish = 3 };
  // The message of a call from the watcher, posted to the conversion object's own target with the
  // action as first parameter and the bytes waiting as second.
  static constexpr std::uint32_t kCallMessage = 0x0400;

  explicit ConvertWatcher(ConvertProcess& process);  // starts watching at once
  ~ConvertWatcher();                                 // asks to stop and waits until it has stopped

  // The stop request. It also releases a call the watcher is waiting for, so stopping never needs
  // the conversion object's thread to run.
  void terminate();

  // Runs on the conversion object's thread for a kCallMessage: `fn(action, bytes)` unless the watcher
  // that made the call has been asked to stop since, then lets the watcher go on.
  template <typename Fn>
  static void serve(platform::Message& msg, Fn&& fn) {
    auto calls = std::static_pointer_cast<Calls>(msg.payload);
    if (calls == nullptr || calls->isStopped()) return;
    fn(static_cast<Action>(msg.wParam), static_cast<std::uint32_t>(msg.lParam));
    calls->answer();
  }

 private:
  // The rendezvous of one watcher with the conversion object's thread; shared with the messages in
  // flight, so a call handled after the watcher is gone finds it stopped.
  struct Calls {
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

  platform::TargetHandle target_;
  int stdout_, stderr_;
  const platform::ChildProcess& child_;
  std::shared_ptr<Calls> calls_ = std::make_shared<Calls>();
  std::thread thread_;
};

// The wait layer: waits for a flag while this thread's events keep being dispatched, through
// platform::waitSynchronously (whose rules apply: never on a job's path, never inside an event handler).
#pragma once

#include "net/socket/LineSocket.h"

#include <functional>

namespace net {

constexpr int kWaitTimedOut = 12001;  // result of a wait that ran out of time or was stopped

class SyncSocket : public LineSocket {
 public:
  int timeout() const { return timeout_; }
  void setTimeout(int ms) { timeout_ = ms; }  // 0: wait without limit

  // Waits until `doneFlag` is set: 0, or 12001 when the time-out passes or the loop is terminating.
  virtual int waitUntilReady(const bool& doneFlag);
  // Clears `doneFlag`, runs `proc` when given, then waits like waitUntilReady.
  virtual int synchronize(const std::function<void()>& proc, bool& doneFlag);

 private:
  int timeout_ = 0;
};

}  // namespace net

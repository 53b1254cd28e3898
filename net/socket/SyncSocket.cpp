#include "net/socket/SyncSocket.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>

namespace net {

int SyncSocket::waitUntilReady(const bool& doneFlag) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout_);
  while (!doneFlag) {
    int slice = 100;
    if (timeout_ > 0) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) return kWaitTimedOut;
      slice = static_cast<int>(std::min<long long>(left, slice));
    }
    if (terminated() || QCoreApplication::closingDown()) return kWaitTimedOut;
    platform::waitForMessage(slice);  // sleeps until a message arrives instead of spinning
  }
  return 0;
}

int SyncSocket::synchronize(const std::function<void()>& proc, bool& doneFlag) {
  doneFlag = false;
  if (proc) proc();
  return waitUntilReady(doneFlag);
}

}  // namespace net

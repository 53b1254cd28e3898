#include "net/socket/SyncSocket.h"

#include "platform/SynchronousWait.h"

namespace net {

int SyncSocket::waitUntilReady(const bool& doneFlag) {
  platform::waitSynchronously([&] { return doneFlag || terminated(); }, timeout_ > 0 ? timeout_ : -1);
  return doneFlag ? 0 : kWaitTimedOut;
}

int SyncSocket::synchronize(const std::function<void()>& proc, bool& doneFlag) {
  doneFlag = false;
  if (proc) proc();
  return waitUntilReady(doneFlag);
}

}  // namespace net

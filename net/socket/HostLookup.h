// One host-name lookup on a worker thread. The thread runs getaddrinfo for IPv4 addresses and posts the
// completion (lookup handle, socket error number, the dotted addresses) to a mailbox as a LookupDone. The
// destructor waits for the thread, so no lookup outlives the socket that started it.
#pragma once

#include "net/socket/SocketEvents.h"
#include "platform/Messages.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace net {

class HostLookup {
 public:
  using Result = std::vector<std::string>;

  HostLookup(platform::MailboxRef<LookupDone> target, std::uint64_t handle, std::string hostName);
  ~HostLookup();
  HostLookup(const HostLookup&) = delete;
  HostLookup& operator=(const HostLookup&) = delete;

  bool done() const { return done_; }

  // Runs the lookup on the calling thread: the socket error number (0 on success) and the addresses.
  static int resolve(const std::string& hostName, Result& addresses);

 private:
  std::atomic<bool> done_{false};
  std::thread thread_;
};

}  // namespace net

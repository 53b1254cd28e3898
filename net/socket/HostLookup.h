// One host-name lookup on a worker thread. The thread runs getaddrinfo for IPv4 addresses and posts the
// completion (lookup handle, error code << 16, the dotted addresses as payload) to a message target. The
// destructor waits for the thread, so no lookup outlives the socket that started it.
#pragma once

#include "platform/Messages.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace net {

class HostLookup {
 public:
  using Result = std::vector<std::string>;  // the payload of the completion message

  HostLookup(platform::TargetHandle target, std::uint32_t msg, std::uint64_t handle, std::string hostName);
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

// One host-name lookup on a worker thread of its own. The thread runs the lookup function (getaddrinfo for
// IPv4 addresses) and posts the completion (lookup handle, socket error number, the dotted addresses) to a
// mailbox as a LookupDone.
//
// A lookup cannot be interrupted, and a slow name server can hold it for many seconds, so nobody ever waits
// for one: destroying the HostLookup abandons it at once. Its thread runs on, detached, and drops its result
// when it ends. The thread touches only what it owns (the host name, a copy of the lookup function, the
// mailbox reference, whose posts do nothing once the mailbox is gone) and the process-wide count of lookup
// threads, which lives as long as the process: a thread still running at exit neither keeps the process
// alive nor touches anything that exit destroys.
#pragma once

#include "net/socket/SocketEvents.h"
#include "platform/Messages.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace net {

// Looks `hostName` up on the calling thread: the socket error number (0 on success) and the dotted
// addresses, in the order found, without repeats.
using HostLookupFunction =
    std::function<int(const std::string& hostName, std::vector<std::string>& addresses)>;

class HostLookup {
 public:
  using Result = std::vector<std::string>;

  // Starts the thread; std::system_error when the system gives none.
  HostLookup(platform::MailboxRef<LookupDone> target, std::uint64_t handle, std::string hostName);
  // Abandons the lookup: returns at once, and its result is never posted.
  ~HostLookup();
  HostLookup(const HostLookup&) = delete;
  HostLookup& operator=(const HostLookup&) = delete;

  // The system's lookup (getaddrinfo, IPv4), on the calling thread.
  static int resolve(const std::string& hostName, Result& addresses);

  // Lookup threads of the process still running, abandoned ones included.
  static int running();
  // Blocks the caller, without dispatching anything, until no lookup thread runs or `ms` milliseconds
  // have passed; true when none runs.
  static bool waitUntilNoneRunning(int ms);

 private:
  struct Shared;
  static void run(std::shared_ptr<Shared> shared, std::shared_ptr<const HostLookupFunction> function,
                  platform::MailboxRef<LookupDone> target, std::uint64_t handle, std::string hostName);

  std::shared_ptr<Shared> shared_;
};

// Replaces the lookup function of every lookup started from now on (a test's slow or scripted name
// server); an empty function puts the system's back.
void setHostLookupFunction(HostLookupFunction function);

// Replaces the lookup function for its own lifetime, then puts back the one before.
class ScopedHostLookupFunction {
 public:
  explicit ScopedHostLookupFunction(HostLookupFunction function);
  ~ScopedHostLookupFunction();
  ScopedHostLookupFunction(const ScopedHostLookupFunction&) = delete;
  ScopedHostLookupFunction& operator=(const ScopedHostLookupFunction&) = delete;

 private:
  std::shared_ptr<const HostLookupFunction> previous_;
};

}  // namespace net

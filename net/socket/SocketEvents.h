// The events posted to a socket's own mailbox, handled one at a time on the socket's thread.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace net {

// Readiness of the system socket: the event bits (kReadEvent, kConnectEvent, ...) that arose on the
// connection, with the socket error number that came with them (0 for none). A connection handle that is
// no longer the socket's marks a notification left over from an earlier connection.
struct SocketNotification {
  std::uint64_t connection = 0;
  unsigned events = 0;
  std::uint16_t error = 0;
};

// The end of a host-name lookup on its worker thread: the socket error number (0 on success) and the
// dotted addresses found.
struct LookupDone {
  std::uint64_t lookup = 0;
  std::uint16_t error = 0;
  std::vector<std::string> addresses{};
};

struct CloseRequest {};     // closeDelayed(): close once the current event has returned
struct ReleaseRequest {};   // release(): destroy the socket once the current event has returned
struct TestException {};    // raises an exception inside the handler, for the background handler's tests
struct HeldDataWaiting {};  // the line layer's mode changed while it held received bytes

using SocketEvent = std::variant<SocketNotification, LookupDone, CloseRequest, ReleaseRequest, TestException,
                                 HeldDataWaiting>;

}  // namespace net

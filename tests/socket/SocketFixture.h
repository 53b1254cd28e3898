// Helpers for socket tests: waiting for a condition while messages are dispatched, and a recorder that
// writes every event of a socket into one ordered log.
#pragma once

#include "net/socket/TcpSocket.h"
#include "platform/SynchronousWait.h"

#include <functional>
#include <string>
#include <vector>

namespace socket_tests {

// Dispatches messages until `done` holds or `ms` pass; returns `done()`.
inline bool waitFor(const std::function<bool()>& done, int ms = 5000) {
  return platform::waitSynchronously(done, ms) == platform::WaitOutcome::Done;
}

// Dispatches messages for `ms` milliseconds.
inline void pump(int ms) {
  platform::waitSynchronously(nullptr, ms);
}

// Records the events of a socket as short texts: "connected 0", "state 5", "data 0", "closed 0", ...
struct EventLog {
  std::vector<std::string> events;
  std::string received;  // bytes read by the default data handler

  void attach(net::TcpSocket& s, bool readData = true) {
    s.onStateChange = [this](net::BasicSocket*, net::SocketState, net::SocketState n) {
      events.push_back("state " + std::to_string(static_cast<int>(n)));
    };
    s.onSessionConnected = [this](net::BasicSocket*, std::uint16_t e) {
      events.push_back("connected " + std::to_string(e));
    };
    s.onSessionClosed = [this](net::BasicSocket*, std::uint16_t e) {
      events.push_back("closed " + std::to_string(e));
    };
    s.onDataSent = [this](net::BasicSocket*, std::uint16_t e) {
      events.push_back("sent " + std::to_string(e));
    };
    s.onDnsLookupDone = [this](net::BasicSocket*, std::uint16_t e) {
      events.push_back("dns " + std::to_string(e));
    };
    s.onError = [this](net::BasicSocket* sender) {
      events.push_back("error " + std::to_string(sender->lastError()));
    };
    if (readData) {
      s.onDataAvailable = [this](net::BasicSocket* sender, std::uint16_t e) {
        events.push_back("data " + std::to_string(e));
        char buf[4096];
        const std::int32_t n = sender->receive(buf, sizeof buf);
        if (n > 0) received.append(buf, static_cast<std::size_t>(n));
      };
    }
  }

  int count(const std::string& event) const {
    int n = 0;
    for (const auto& e : events) n += e == event ? 1 : 0;
    return n;
  }

  bool has(const std::string& event) const { return count(event) > 0; }

  // The events without the "data" entries, which vary with how the bytes are cut.
  std::vector<std::string> withoutData() const {
    std::vector<std::string> out;
    for (const auto& e : events) {
      if (e.rfind("data ", 0) != 0) out.push_back(e);
    }
    return out;
  }
};

// Points a socket at 127.0.0.1:port over TCP.
inline void target(net::TcpSocket& s, std::uint16_t port) {
  s.setAddr("127.0.0.1");
  s.setPort(std::to_string(port));
  s.setProto("tcp");
}

}  // namespace socket_tests

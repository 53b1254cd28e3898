// nginx serving a folder, tinyproxy as HTTP proxy, microsocks and dante's server as SOCKS proxies, each
// on a free port of 127.0.0.1 with its configuration in a temporary folder, run as children of the test
// and stopped with it.
#pragma once

#include "ChildProcess.h"

#include "support/TempDir.h"

#include <memory>
#include <string>

namespace httptest {

class NginxServer {
 public:
  // Serves the files of `root`. The access log (accessLog()) has one line per request:
  // "<connection number> <request line> <Via header> range=<Range header>".
  explicit NginxServer(const std::string& root);
  std::uint16_t port() const { return port_; }
  bool ready() const { return ready_; }
  std::string accessLog() const;

 private:
  testing_support::TempDir dir_;
  std::uint16_t port_ = 0;
  std::unique_ptr<ChildProcess> process_;
  bool ready_ = false;
};

class TinyProxy {
 public:
  TinyProxy();
  std::uint16_t port() const { return port_; }
  bool ready() const { return ready_; }

 private:
  testing_support::TempDir dir_;
  std::uint16_t port_ = 0;
  std::unique_ptr<ChildProcess> process_;
  bool ready_ = false;
};

// microsocks: SOCKS 5 only. With a user name it lets in only that user with that password. Its
// connections to the target leave from 127.0.0.1, so of a name it looks up (localhost is ::1 as well
// as 127.0.0.1 in Debian's /etc/hosts, ::1 first) it takes the IPv4 address, where the test servers are.
class Microsocks {
 public:
  explicit Microsocks(const std::string& user = "", const std::string& password = "");
  std::uint16_t port() const { return port_; }
  bool ready() const { return ready_; }

 private:
  testing_support::TempDir dir_;
  std::uint16_t port_ = 0;
  std::unique_ptr<ChildProcess> process_;
  bool ready_ = false;
};

// dante's server: SOCKS 4 and 5 without authentication, for clients on 127.0.0.1. Its rules refuse
// connections to 127.0.0.1:`blockedPort` (when not 0).
class DanteServer {
 public:
  explicit DanteServer(std::uint16_t blockedPort = 0);
  std::uint16_t port() const { return port_; }
  bool ready() const { return ready_; }
  std::string log() const;

 private:
  testing_support::TempDir dir_;
  std::uint16_t port_ = 0;
  std::unique_ptr<ChildProcess> process_;
  bool ready_ = false;
};

}  // namespace httptest

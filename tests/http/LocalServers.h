// nginx serving a folder and tinyproxy as HTTP proxy, each on a free port of 127.0.0.1 with its
// configuration in a temporary folder, run as children of the test and stopped with it.
#pragma once

#include "ChildProcess.h"

#include "support/TempDir.h"

#include <memory>
#include <string>

namespace httptest {

class NginxServer {
 public:
  // Serves the files of `root`. The access log (accessLog()) has one line per request:
  // "<connection number> <request line> <Via header>".
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

}  // namespace httptest

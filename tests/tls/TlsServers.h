// The TLS peers of the tests: a certificate authority made at test time (make_test_ca.sh) and nginx
// serving one folder on several ports of 127.0.0.1, each with its own certificate, plus a plain HTTP port
// that sends requests over to the good TLS port.
#pragma once

#include "ChildProcess.h"

#include "support/TempDir.h"

#include <cstdint>
#include <memory>
#include <string>

namespace tlstest {

// Runs `argv` (no shell) and waits for it; its exit status, or -1 when it could not start.
int runProgram(const std::vector<std::string>& argv);

// The authority and the server certificates in a temporary folder.
class TestAuthority {
 public:
  TestAuthority();
  bool ready() const { return ready_; }
  std::string file(const std::string& name) const { return dir_.file(name); }
  std::string caFile() const { return dir_.file("ca.pem"); }

 private:
  testing_support::TempDir dir_;
  bool ready_ = false;
};

class TlsNginx {
 public:
  // Serves `root`. Certificates come from `authority`.
  TlsNginx(const std::string& root, const TestAuthority& authority);
  bool ready() const { return ready_; }
  // Each TLS port answers /to-plain/NAME with 302 to http://127.0.0.1:plain/NAME.
  std::uint16_t good() const { return good_; }        // localhost and 127.0.0.1, trusted
  std::uint16_t expired() const { return expired_; }  // expired
  std::uint16_t self() const { return self_; }        // signed by itself
  std::uint16_t other() const { return other_; }      // for other.example only
  // Plain HTTP: /to-tls/NAME answers 302 to https://localhost:good/NAME.
  std::uint16_t plain() const { return plain_; }
  // One line per request: "<server port> <connection number> <request line>".
  std::string accessLog() const;

 private:
  testing_support::TempDir dir_;
  std::uint16_t good_ = 0, expired_ = 0, self_ = 0, other_ = 0, plain_ = 0;
  std::unique_ptr<httptest::ChildProcess> process_;
  bool ready_ = false;
};

}  // namespace tlstest

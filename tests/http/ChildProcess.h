// A server program run as a child of the test: started with an argument vector, stopped (SIGTERM, then
// SIGKILL) and reaped by the destructor, and killed by the system if the test process dies first.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace httptest {

class ChildProcess {
 public:
  explicit ChildProcess(const std::vector<std::string>& argv, const std::string& outputFile = "/dev/null");
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  pid_t pid() const { return pid_; }
  bool running();
  void stop();

  // Waits until something accepts connections on 127.0.0.1:port; false when the child ended or
  // `timeoutMs` passed.
  bool waitListening(std::uint16_t port, int timeoutMs = 30000);

 private:
  pid_t pid_ = -1;
};

}  // namespace httptest

// The exception of the HTTP client: misuse (busy, nothing to send, bad version) and, from the
// synchronous request, a request that ended with an error status.
#pragma once

#include <stdexcept>
#include <string>

namespace http {

class HttpException : public std::runtime_error {
 public:
  HttpException(const std::string& msg, int errorCode) : std::runtime_error(msg), errorCode_(errorCode) {}
  int errorCode() const { return errorCode_; }

 private:
  int errorCode_;
};

}  // namespace http

// The exception the socket layer raises for misuse and for failures that no onError handler absorbs.
#pragma once

#include <stdexcept>
#include <string>

namespace net {

class SocketException : public std::runtime_error {
 public:
  explicit SocketException(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace net

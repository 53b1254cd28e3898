#include "net/socket/Resolvers.h"

#include "common/Text.h"
#include "net/socket/SocketErrors.h"
#include "net/socket/SocketException.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <unistd.h>

#include <array>
#include <string>

namespace net {
namespace {

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// Reads the decimal digits at the start of `s` (after leading spaces); saturates instead of overflowing.
unsigned long leadingNumber(const std::string& s) {
  std::size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  unsigned long value = 0;
  for (; i < s.size() && isDigit(s[i]); ++i) {
    value = value * 10 + static_cast<unsigned long>(s[i] - '0');
    if (value > 0xFFFFFFFFul) value = 0xFFFFFFFFul + 1;
  }
  return value;
}

// "<what> '<text>', Error #<code>"; the text ends at its first NUL, as it would in C.
std::string cannotConvert(const char* what, const std::string& text, int code) {
  return std::string(what) + " '" + text.c_str() + "', Error #" + std::to_string(code);
}

}  // namespace

bool isDottedIp(const std::string& text) {
  const std::size_t n = text.size();
  std::size_t i = 0;
  while (i < n && text[i] == ' ') ++i;
  if (i < n && text[i] == '.') return false;
  int dots = 0;
  unsigned value = 0;
  for (; i < n; ++i) {
    const char c = text[i];
    if (isDigit(c)) {
      value = value * 10 + static_cast<unsigned>(c - '0');
      if (value > 256) value = 256;  // anything above 255 fails; stop growing
    } else if (c == '.') {
      if (++dots > 3 || value > 255 || i + 1 == n || !isDigit(text[i + 1])) return false;
      value = 0;
    } else {
      while (i < n && text[i] == ' ') ++i;
      if (i < n) return false;
      break;
    }
  }
  return dots == 3 && value <= 255;
}

std::uint32_t resolveHost(const std::string& host) {
  if (host.empty() || host.size() > 256) {
    throw SocketException("WSocketResolveHost: '" + host + "' Invalid Hostname.");
  }
  const std::string name = common::trim(host);
  if (isDottedIp(name)) {
    const in_addr_t addr = inet_addr(name.c_str());
    if (addr == INADDR_NONE && name != "255.255.255.255") {
      throw SocketException("WSocketResolveHost: '" + host + "' Invalid IP address.");
    }
    return addr;
  }
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* result = nullptr;
  const int rc = getaddrinfo(name.c_str(), nullptr, &hints, &result);
  if (rc != 0 || result == nullptr) {
    const int code = rc != 0 ? socketErrorFromResolver(rc) : SocketError::NoData;
    throw SocketException(cannotConvert("WSocketResolveHost: Cannot convert host address", host, code));
  }
  const std::uint32_t addr = reinterpret_cast<sockaddr_in*>(result->ai_addr)->sin_addr.s_addr;
  freeaddrinfo(result);
  return addr;
}

std::uint16_t resolvePort(const std::string& port, const std::string& proto) {
  if (port.empty() || port.size() >= 32) throw SocketException("WSocketResolvePort: Invalid Port.");
  if (proto.empty() || proto.size() >= 32) throw SocketException("WSocketResolvePort: Invalid Proto.");
  if (isDigit(port[0])) {
    const unsigned long value = leadingNumber(port);
    if (value > 65535) throw SocketException("WSocketResolvePort: Invalid Port.");
    return static_cast<std::uint16_t>(value);
  }
  const std::string name = common::trim(port), protoName = common::trim(proto);
  servent entry{}, *found = nullptr;
  std::array<char, 1024> buf{};
  getservbyname_r(name.c_str(), protoName.empty() ? nullptr : protoName.c_str(), &entry, buf.data(),
                  buf.size(), &found);
  if (found == nullptr) {
    throw SocketException(
        cannotConvert("WSocketResolvePort: Cannot convert port", port, SocketError::NoData));
  }
  return ntohs(static_cast<std::uint16_t>(found->s_port));
}

int resolveProto(const std::string& proto) {
  if (proto.empty() || proto.size() >= 32) throw SocketException("WSocketResolveProto: Invalid Protocol.");
  if (isDigit(proto[0])) {
    const unsigned long value = leadingNumber(proto);
    if (value > 255) throw SocketException("WSocketResolveProto: Invalid Protocol.");
    return static_cast<int>(value);
  }
  const std::string name = common::lowerAscii(common::trim(proto));
  if (name == "tcp") return 6;
  if (name == "udp") return 17;
  if (name == "raw") return 255;
  protoent entry{}, *found = nullptr;
  std::array<char, 1024> buf{};
  getprotobyname_r(name.c_str(), &entry, buf.data(), buf.size(), &found);
  if (found == nullptr) {
    throw SocketException(
        cannotConvert("WSocketResolveProto: Cannot convert protocol", proto, SocketError::NoData));
  }
  return found->p_proto;
}

std::string localHostName() {
  std::array<char, 64> name{};
  if (gethostname(name.data(), name.size()) != 0) throw SocketException("Winsock.GetHostName failed");
  name.back() = '\0';
  return name.data();
}

std::string ipv4ToText(std::uint32_t networkOrderAddr) {
  in_addr a{};
  a.s_addr = networkOrderAddr;
  char buf[INET_ADDRSTRLEN] = {};
  inet_ntop(AF_INET, &a, buf, sizeof buf);
  return buf;
}

}  // namespace net

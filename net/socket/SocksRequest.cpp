#include "net/socket/SocksRequest.h"

namespace net {
namespace {

void appendPort(std::string& out, std::uint16_t port) {
  out.push_back(static_cast<char>(port >> 8));
  out.push_back(static_cast<char>(port & 0xFF));
}

}  // namespace

std::string socks5Greeting(std::uint8_t method) {
  return std::string{'\x05', '\x01', static_cast<char>(method)};
}

bool socks5AuthFits(const std::string& user, const std::string& password) {
  return user.size() + password.size() + 3 <= kSocksRequestArea;
}

std::string socks5AuthRequest(const std::string& user, const std::string& password) {
  std::string out{'\x01'};
  out.push_back(static_cast<char>(user.size()));
  out += user;
  out.push_back(static_cast<char>(password.size()));
  out += password;
  return out;
}

bool socks5ConnectFits(const std::string& host) {
  return !host.empty() && host.size() <= kSocks5MaxHostName;
}

std::string socks5ConnectRequest(const std::string& host, std::uint16_t port) {
  std::string out{'\x05', '\x01', '\x00', '\x03'};
  out.push_back(static_cast<char>(host.size()));
  out += host;
  appendPort(out, port);
  return out;
}

bool socks4ConnectFits(const std::string& user, const std::string& host) {
  // The user id and the host name are sent up to a 0 byte, so neither may hold one.
  if (user.find('\0') != std::string::npos || host.find('\0') != std::string::npos) return false;
  return 8 + user.size() + 1 + (host.empty() ? 0 : host.size() + 1) <= kSocksRequestArea;
}

std::string socks4ConnectRequest(std::uint16_t port, std::uint32_t networkOrderAddr, const std::string& user,
                                 const std::string& host) {
  std::string out{'\x04', '\x01'};
  appendPort(out, port);
  const auto* addr = reinterpret_cast<const unsigned char*>(&networkOrderAddr);
  out.append(reinterpret_cast<const char*>(addr), 4);
  out += user;
  out.push_back('\0');
  if (!host.empty()) {
    out += host;
    out.push_back('\0');
  }
  return out;
}

}  // namespace net

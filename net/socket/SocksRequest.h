// The requests a SOCKS client sends, built as bytes. Each request has a fixed maximum; the Fits*
// checks tell beforehand whether the values can be sent at all, so nothing is ever cut or overflows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace net {

// The fixed request area of the version 5 authentication and version 4 connect requests.
constexpr std::size_t kSocksRequestArea = 128;
// A version 5 host name travels with a one-byte length.
constexpr std::size_t kSocks5MaxHostName = 255;

// Version 5 greeting: version, one method offered (0 none, 2 user name and password).
std::string socks5Greeting(std::uint8_t method);

// User name and password sub-negotiation: 1, length, user name, length, password.
std::string socks5AuthRequest(const std::string& user, const std::string& password);
bool socks5AuthFits(const std::string& user, const std::string& password);

// Version 5 connect: 5, 1 (connect), 0, 3 (domain name), length, host as text, port (network order).
std::string socks5ConnectRequest(const std::string& host, std::uint16_t port);
bool socks5ConnectFits(const std::string& host);

// Version 4 connect: 4, 1 (connect), port, IPv4 address (both network order), user id, 0. Version 4A sends
// the address 0.0.0.1 and appends the host name and a 0; `host` empty means version 4.
std::string socks4ConnectRequest(std::uint16_t port, std::uint32_t networkOrderAddr, const std::string& user,
                                 const std::string& host);
bool socks4ConnectFits(const std::string& user, const std::string& host);

}  // namespace net

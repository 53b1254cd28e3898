// One fuzz input for the address, port and protocol texts: the dotted-address test must agree with the
// system's conversion, and the conversions may only fail with their own exception. Returns what went
// wrong, or the empty text. Shared by the fuzz target and its regression test.
#pragma once

#include "net/socket/Resolvers.h"
#include "net/socket/SocketException.h"

#include <arpa/inet.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzzing {

inline std::string checkAddressText(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const bool dotted = net::isDottedIp(text);
  if (dotted) {
    // Dotted text has exactly four values up to 255: without leading zeros the system reads it too.
    std::string trimmed = text.substr(text.find_first_not_of(' '));
    trimmed.erase(trimmed.find_last_not_of(' ') + 1);
    const bool octal = trimmed.starts_with('0') || trimmed.find(".0") != std::string::npos;
    in_addr a{};
    if (!octal && inet_pton(AF_INET, trimmed.c_str(), &a) != 1) return "dotted but not an address: " + text;
    try {
      net::resolveHost(text);
    } catch (const net::SocketException&) {
      if (!octal && text.size() <= 256) return "dotted address refused: " + text;
    }
  }
  try {
    const unsigned port = net::resolvePort(text, "tcp");
    if (port > 65535) return "port out of range: " + text;
  } catch (const net::SocketException&) {
  }
  try {
    const int proto = net::resolveProto(text);
    if (proto < 0 || proto > 255) return "protocol out of range: " + text;
  } catch (const net::SocketException&) {
  }
  return {};
}

}  // namespace fuzzing

// Synchronous conversion of host, port and protocol texts, the dotted-address test and the local host
// name. Every failure raises SocketException, whether or not a socket has an onError handler.
#pragma once

#include <cstdint>
#include <string>

namespace net {

// True for text of exactly four decimal values up to 255 separated by dots; leading spaces and trailing
// spaces are allowed.
bool isDottedIp(const std::string& text);

// IPv4 address in network order: dotted text directly, a host name through a blocking lookup.
std::uint32_t resolveHost(const std::string& host);

// Port number in host order: a decimal number, or a service name looked up for `proto`.
std::uint16_t resolvePort(const std::string& port, const std::string& proto);

// Protocol number: a decimal number, "tcp" 6, "udp" 17, "raw" 255, or a name the system knows.
int resolveProto(const std::string& proto);

// The name of this machine.
std::string localHostName();

// Dotted text of an IPv4 address in network order.
std::string ipv4ToText(std::uint32_t networkOrderAddr);

}  // namespace net

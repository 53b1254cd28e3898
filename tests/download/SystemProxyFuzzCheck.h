// One fuzz input for the system proxy texts: the first byte picks the step (an environment value
// made a list entry, a list text searched for the http proxy, a no_proxy value and a host, an all_proxy
// value read as a SOCKS proxy), the rest is its text. Returns what went wrong, or the empty text. Shared by the fuzz target and its regression
// test.
#pragma once

#include "common/SystemProxy.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzzing {

inline std::string checkProxyEntry(const std::string& value) {
  const std::string entry = common::proxyListEntry(value);
  if (entry.empty()) return {};
  if (entry.find_first_of(";= \t\r\n") != std::string::npos)
    return "an entry holds a list separator: " + entry;
  const common::ProxyAddress proxy = common::findProxyInList(entry, "http");
  if (proxy.host.empty() || proxy.port <= 0 || entry != proxy.host + ":" + std::to_string(proxy.port))
    return "an entry does not read back as itself: " + entry;
  const common::ProxyAddress named = common::findProxyInList("ftp=x:1;http=" + entry + ";https=y:2", "http");
  if (named.host != proxy.host || named.port != proxy.port)
    return "an entry reads differently in a list: " + entry;
  return {};
}

inline std::string checkProxyList(const std::string& list) {
  const common::ProxyAddress proxy = common::findProxyInList(list, "http");
  if (proxy.port < 0 || proxy.port > 65535) return "a port out of range from: " + list;
  if (proxy.host.empty() && proxy.port != 0) return "a port without a host from: " + list;
  return {};
}

inline std::string checkBypass(const std::string& text) {
  const std::size_t newline = text.find('\n');
  const std::string list = common::bypassListFromValue(text.substr(0, newline));
  const std::string host = newline == std::string::npos ? "" : text.substr(newline + 1);
  if (!list.empty() && (list.front() == ';' || list.back() == ';' || list.find(";;") != std::string::npos))
    return "an empty bypass entry in: " + list;
  std::string upper = host;
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  if (common::isProxyBypassed(list, host) != common::isProxyBypassed(list, upper))
    return "letter case changed the bypass of " + host;
  if (!host.empty() && host.find_first_not_of("[].") != std::string::npos &&
      !common::isProxyBypassed("*", host))
    return "\"*\" did not bypass " + host;
  return {};
}

inline std::string checkSocksValue(const std::string& value) {
  const common::SocksProxy proxy = common::socksProxyFromValue(value);
  if (proxy.level.empty()) {
    if (!proxy.host.empty() || proxy.port != 0 || !proxy.user.empty() || !proxy.password.empty())
      return "no SOCKS proxy, yet values from: " + value;
    return {};
  }
  if (proxy.level != "4" && proxy.level != "4A" && proxy.level != "5") return "an unknown level from: " + value;
  if (proxy.port < 1 || proxy.port > 65535) return "a port out of range from: " + value;
  if (proxy.host.empty() || proxy.host.find_first_of(":/@[] \t\r\n") != std::string::npos)
    return "a host that is no host name from: " + value;
  return {};
}

inline std::string checkSystemProxyInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return {};
  const std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  switch (data[0] % 4) {
    case 0:
      return checkProxyEntry(rest);
    case 1:
      return checkProxyList(rest);
    case 2:
      return checkBypass(rest);
    default:
      return checkSocksValue(rest);
  }
}

}  // namespace fuzzing

#include "common/SystemProxy.h"

#include "common/Text.h"

#include <arpa/inet.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace common {
namespace {

// The first of the two variables that is set and not blank; empty when neither is.
std::string environment(const char* lower, const char* upper) {
  for (const char* name : {lower, upper}) {
    const char* value = std::getenv(name);
    if (value == nullptr) continue;
    std::string text = trim(value, Trim::Whitespace);
    if (!text.empty()) return text;
  }
  return "";
}

// A port number 1..65535 written in decimal digits only; 0 otherwise.
int portNumber(const std::string& text) {
  if (text.empty() || text.size() > 5) return 0;
  int port = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return 0;
    port = port * 10 + (c - '0');
  }
  return port <= 65535 ? port : 0;
}

// Letters, digits, "-", "." and "_": what a host name or an IPv4 address is made of.
bool isHostText(const std::string& host) {
  if (host.empty()) return false;
  for (char c : host) {
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    const bool digit = c >= '0' && c <= '9';
    if (!letter && !digit && c != '-' && c != '.' && c != '_') return false;
  }
  return true;
}

std::vector<std::string> split(const std::string& text, const std::string& separators) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t end = text.find_first_of(separators, start);
    const std::string part = trim(
        text.substr(start, end == std::string::npos ? std::string::npos : end - start), Trim::Whitespace);
    if (!part.empty()) parts.push_back(part);
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return parts;
}

bool endsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// True when `host` is an IPv4 address inside the network "a.b.c.d/bits".
bool inNetwork(const std::string& host, const std::string& network) {
  const std::size_t slash = network.find('/');
  const std::string bitsText = network.substr(slash + 1);
  if (bitsText.empty() || bitsText.size() > 2 ||
      bitsText.find_first_not_of("0123456789") != std::string::npos)
    return false;
  const int bits = std::stoi(bitsText);
  in_addr address{}, base{};
  if (bits > 32 || ::inet_pton(AF_INET, host.c_str(), &address) != 1 ||
      ::inet_pton(AF_INET, network.substr(0, slash).c_str(), &base) != 1)
    return false;
  const std::uint32_t mask = bits == 0 ? 0 : ~std::uint32_t{0} << (32 - bits);
  return (ntohl(address.s_addr) & mask) == (ntohl(base.s_addr) & mask);
}

bool entryMatches(std::string entry, const std::string& host) {
  if (entry == "*") return true;
  if (entry.find('/') != std::string::npos) return inNetwork(host, entry);
  if (entry.front() == '[') {  // an IPv6 address, perhaps with a port after the bracket
    const std::size_t close = entry.find(']');
    return close != std::string::npos && host == entry.substr(1, close - 1);
  }
  if (entry.find(':') != entry.rfind(':')) return host == entry;  // an IPv6 address without brackets
  if (const std::size_t colon = entry.find(':'); colon != std::string::npos) entry.erase(colon);
  if (entry.rfind("*.", 0) == 0) entry.erase(0, 1);
  if (entry.empty()) return false;
  if (entry.front() == '.') return host == entry.substr(1) || endsWith(host, entry);
  return host == entry || endsWith(host, "." + entry);
}

// "%41" and the like decoded; a "%" without two hex digits after it stays as it is.
std::string percentDecoded(const std::string& text) {
  auto hex = [](char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && hex(text[i + 1]) >= 0 && hex(text[i + 2]) >= 0) {
      out.push_back(static_cast<char>(hex(text[i + 1]) * 16 + hex(text[i + 2])));
      i += 2;
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

}  // namespace

SocksProxy socksProxyFromValue(const std::string& value) {
  std::string rest = trim(value, Trim::Whitespace);
  const std::size_t scheme = rest.find("://");
  if (rest.size() > kMaxProxyValue || scheme == std::string::npos) return {};
  const std::string name = lowerAscii(rest.substr(0, scheme));
  SocksProxy proxy;
  if (name == "socks4") {
    proxy.level = "4";
  } else if (name == "socks4a") {
    proxy.level = "4A";
  } else if (name == "socks5" || name == "socks5h") {
    proxy.level = "5";
  } else {
    return {};
  }
  rest.erase(0, scheme + 3);
  rest = rest.substr(0, rest.find_first_of("/?#"));
  if (const std::size_t at = rest.rfind('@'); at != std::string::npos) {
    const std::string userInfo = rest.substr(0, at);
    const std::size_t colon = userInfo.find(':');
    proxy.user = percentDecoded(userInfo.substr(0, colon));
    if (colon != std::string::npos) proxy.password = percentDecoded(userInfo.substr(colon + 1));
    rest.erase(0, at + 1);
  }
  const std::size_t colon = rest.find(':');
  proxy.host = rest.substr(0, colon);
  proxy.port = colon == std::string::npos ? 1080 : portNumber(rest.substr(colon + 1));
  if (!isHostText(proxy.host) || proxy.port == 0) return {};
  return proxy;
}

SocksProxy systemSocksProxy() {
  return socksProxyFromValue(environment("all_proxy", "ALL_PROXY"));
}

std::string proxyListEntry(const std::string& value) {
  std::string rest = trim(value, Trim::Whitespace);
  if (rest.empty() || rest.size() > kMaxProxyValue) return "";
  if (const std::size_t scheme = rest.find("://"); scheme != std::string::npos) {
    if (lowerAscii(rest.substr(0, scheme)) != "http") return "";  // only a plain HTTP proxy can serve here
    rest.erase(0, scheme + 3);
  }
  rest = rest.substr(0, rest.find_first_of("/?#"));
  if (const std::size_t at = rest.rfind('@'); at != std::string::npos) rest.erase(0, at + 1);
  const std::size_t colon = rest.find(':');
  const std::string host = rest.substr(0, colon);
  const int port = colon == std::string::npos ? 80 : portNumber(rest.substr(colon + 1));
  if (!isHostText(host) || port == 0) return "";
  return host + ":" + std::to_string(port);
}

ProxyAddress findProxyInList(const std::string& list, const std::string& protocol) {
  std::string text = list;
  const std::string marker = protocol + "=";
  if (const std::size_t found = list.find(marker); found != std::string::npos) {
    text = list.substr(found + marker.size());
    text = text.substr(0, text.find(';'));
  } else if (list.find('=') != std::string::npos) {
    return {};  // a per-protocol list that names no proxy for this protocol
  }
  const std::size_t colon = text.find(':');
  if (colon == std::string::npos || colon == 0) return {};  // no proxy without a host
  return {text.substr(0, colon), portNumber(text.substr(colon + 1))};
}

std::string bypassListFromValue(const std::string& value) {
  if (value.size() > kMaxProxyValue) return "";
  std::string list;
  for (const std::string& entry : split(value, ",; \t")) list += (list.empty() ? "" : ";") + entry;
  return list;
}

bool isSystemProxyEnabled() {
  return !environment("http_proxy", "HTTP_PROXY").empty() ||
         !environment("https_proxy", "HTTPS_PROXY").empty();
}

std::string systemProxyList() {
  const std::string http = proxyListEntry(environment("http_proxy", "HTTP_PROXY"));
  const std::string https = proxyListEntry(environment("https_proxy", "HTTPS_PROXY"));
  if (http == https) return http;
  std::string list;
  if (!http.empty()) list = "http=" + http;
  if (!https.empty()) list += (list.empty() ? "" : ";") + ("https=" + https);
  return list;
}

ProxyAddress systemProxy(const std::string& protocol) {
  return findProxyInList(systemProxyList(), protocol);
}

std::string systemProxyBypass() {
  return bypassListFromValue(environment("no_proxy", "NO_PROXY"));
}

bool isProxyBypassed(const std::string& bypass, const std::string& host) {
  std::string name = lowerAscii(host);
  if (name.size() >= 2 && name.front() == '[' && name.back() == ']') name = name.substr(1, name.size() - 2);
  while (!name.empty() && name.back() == '.') name.pop_back();  // "example.com." is "example.com"
  if (name.empty()) return false;
  for (const std::string& entry : split(bypass, ";"))
    if (entryMatches(lowerAscii(entry), name)) return true;
  return false;
}

}  // namespace common

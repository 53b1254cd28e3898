// Shared helpers of the windows and the converter. None keeps state, none raises: a failure gives
// false, an empty text or an unchanged value.
#pragma once

#include <cstdint>
#include <string>

namespace common {

// The folder picker, centred on the screen. A `folder` that does not exist is cleared first; on true it
// holds the chosen folder, on false it is left as it was after that. `root` is not supported and ignored.
bool selectFolder(const std::string& title, const std::string& root, std::string& folder);

// `text` with the ASCII letters A-Z made lower case; every other byte is kept (UTF-8 stays intact).
std::string lowerAscii(std::string text);

// `text` without the characters * / : < > ? \ and |; everything else is kept.
std::string removeBadFileChars(const std::string& text);

// True when the file exists and cannot be opened for reading and writing, or another process holds it open.
bool isFileInUse(const std::string& path);

// "07" for 7, "10" for 10, "0-3" for -3: numbers below 10 get a leading "0".
std::string twoDigits(int number);

// Removes the file for good; true on success.
bool deleteFileSilently(const std::string& path);

// The byte count in kilobytes, rounded up, with "," between groups of three digits: 1048576 -> "1,024".
std::string formatKilobytes(std::int64_t bytes);

}  // namespace common

// Video page addresses (common/VideoUrl.cpp). Both use the site domains of SiteConfig::current().
namespace common {

// True for an address of a supported video page: a YouTube or Metacafe address that holds "watch",
// or any address of the Google domain. Letter case is ignored.
bool isVideoPageUrl(const std::string& address);

// Rewrites a YouTube address into the single-video watch form; any other address comes back unchanged.
std::string normalizeVideoUrl(const std::string& address);

// True for an http: or https: address (letter case aside) with a host name after the "//" and no
// blank or control character anywhere: what the stream resolver may be given.
bool isWebAddress(const std::string& address);

}  // namespace common

// The system's web proxy (common/SystemProxy.cpp), read from the environment on every call:
// http_proxy (or HTTP_PROXY) for plain web requests, https_proxy (or HTTPS_PROXY) for secure ones,
// no_proxy (or NO_PROXY) for the hosts reached directly. The lower-case name wins when both are set.
namespace common {

// True when a proxy is set for plain or secure web requests.
bool isSystemProxyEnabled();

// The usable proxies as a list text: "host:port" when one proxy serves both protocols, else
// "http=host:port;https=host:port" with an entry for each protocol that has one; empty when none.
std::string systemProxyList();

struct ProxyAddress {
  std::string host;  // empty when no proxy
  int port = 0;
};

// The proxy for `protocol` (such as "http") in systemProxyList; an empty host and port 0 when none.
ProxyAddress systemProxy(const std::string& protocol);

// The hosts reached without proxy (no_proxy) as a list text of entries joined by ";"; empty when none.
std::string systemProxyBypass();

// True when `host` is matched by an entry of the bypass list text `bypass`: "*" matches every host,
// "example.com", ".example.com" and "*.example.com" match that domain and every host below it, an IPv4
// network "10.0.0.0/8" matches the addresses in it, anything else must equal the host. Letter case
// is ignored and a port after an entry is not compared.
bool isProxyBypassed(const std::string& bypass, const std::string& host);

}  // namespace common

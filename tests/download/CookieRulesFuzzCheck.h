// One fuzz input for the cookie rules: the first line is a request's address, every further line a cookie
// as "domain<TAB>path<TAB>name<TAB>value<TAB>flags" (flags: "s" secure, "x" expired). Checks what
// download::cookieHeaderFor sends against the rules themselves, one cookie at a time and all together.
// Returns what went wrong, or the empty text. Shared by the fuzz target and its regression test.
#pragma once

#include "common/Text.h"
#include "download/StreamCookies.h"
#include "net/http/UrlParts.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

namespace fuzzing {

inline std::vector<std::string> splitAt(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::string part;
  std::istringstream in(text);
  while (std::getline(in, part, separator)) parts.push_back(part);
  return parts;
}

inline std::string checkCookieRules(const std::uint8_t* data, std::size_t size) {
  constexpr std::int64_t kNow = 1'800'000'000;
  const std::vector<std::string> lines =
      splitAt(std::string(reinterpret_cast<const char*>(data), size), '\n');
  if (lines.empty()) return {};
  const std::string& address = lines[0];
  std::vector<platform::BrowserCookie> cookies;
  for (std::size_t i = 1; i < lines.size() && cookies.size() < 64; ++i) {
    std::vector<std::string> fields = splitAt(lines[i], '\t');
    fields.resize(5);
    cookies.push_back({fields[2], fields[3], fields[0], fields[1], fields[4].find('s') != std::string::npos,
                       fields[4].find('x') != std::string::npos ? kNow - 1 : -1});
  }
  const std::string all = download::cookieHeaderFor(cookies, address, kNow);
  if (std::any_of(all.begin(), all.end(),
                  [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; }))
    return "a control character in the field: " + all;
  const http::UrlParts parts = http::splitAddress(address);
  const std::string host = common::lowerAscii(parts.host);
  const bool https = common::lowerAscii(parts.proto) == "https";
  std::size_t sent = 0;
  for (const platform::BrowserCookie& cookie : cookies) {
    if (download::cookieHeaderFor({cookie}, address, kNow).empty()) continue;
    ++sent;
    if (cookie.secure && !https) return "a secure cookie over plain http: " + cookie.name;
    if (cookie.expires >= 0) return "an expired cookie went: " + cookie.name;
    const std::string domain = common::lowerAscii(cookie.domain);
    if (domain == host) continue;
    const std::string bare = domain.empty() || domain[0] != '.' ? std::string() : domain.substr(1);
    if (bare.empty()) return "a cookie of another host went to " + host + ": " + cookie.domain;
    if (bare == host) continue;
    if (host.size() <= bare.size() ||
        host.compare(host.size() - bare.size() - 1, std::string::npos, "." + bare) != 0)
      return "a domain cookie went outside its domain: " + cookie.domain + " to " + host;
    if (download::isPublicSuffix(bare))
      return "a public suffix's cookie went to " + host + ": " + cookie.domain;
  }
  const std::size_t pairs =
      all.empty() ? 0 : static_cast<std::size_t>(std::count(all.begin(), all.end(), ';')) + 1;
  if (pairs != sent)
    return "the field holds " + std::to_string(pairs) + " cookies, not " + std::to_string(sent);
  return {};
}

}  // namespace fuzzing

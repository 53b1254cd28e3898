#include "download/StreamCookies.h"

#include "common/Text.h"
#include "net/http/UrlParts.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>
#include <set>

namespace download {
namespace {

constexpr const char* kPublicSuffixList = "/usr/share/publicsuffix/public_suffix_list.dat";
// Without the list, a domain cookie needs at least this many labels ("example.co.uk"), unless its domain is
// the host itself: "co.uk" or "youtube.com" could be anyone's, so their cookies stay home.
constexpr int kLabelsWithoutList = 3;

bool endsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

bool isIpAddress(const std::string& host) {
  unsigned char address[16];
  if (host.find(':') != std::string::npos || (!host.empty() && host.front() == '[')) return true;
  return ::inet_pton(AF_INET, host.c_str(), address) == 1;
}

// The list's rules: plain ones ("co.uk"), wildcards ("*.ck" kept as "ck") and exceptions ("!www.ck").
struct SuffixRules {
  bool loaded = false;
  std::set<std::string> plain, wildcard, exception;
};

SuffixRules readRules(const std::string& path) {
  SuffixRules r;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) {
    if (const std::size_t blank = line.find_first_of(" \t\r"); blank != std::string::npos) line.resize(blank);
    if (line.empty() || line.rfind("//", 0) == 0) continue;
    r.loaded = true;
    if (line.rfind("*.", 0) == 0) {
      r.wildcard.insert(common::lowerAscii(line.substr(2)));
    } else if (line.front() == '!') {
      r.exception.insert(common::lowerAscii(line.substr(1)));
    } else {
      r.plain.insert(common::lowerAscii(line));
    }
  }
  if (!r.loaded) {
    std::fprintf(
        stderr,
        "clipwave: the list of public suffixes (%s) is missing: domain cookies of fewer than %d labels "
        "are not sent\n",
        path.c_str(), kLabelsWithoutList);
  }
  return r;
}

// The rules are read once, on the first request that needs them (the event loop's thread).
std::unique_ptr<SuffixRules>& rulesHeld() {
  static std::unique_ptr<SuffixRules> rules;
  return rules;
}

std::string& listPath() {
  static std::string path = kPublicSuffixList;
  return path;
}

const SuffixRules& suffixRules() {
  std::unique_ptr<SuffixRules>& rules = rulesHeld();
  if (!rules) rules = std::make_unique<SuffixRules>(readRules(listPath()));
  return *rules;
}

int labelCount(const std::string& domain) {
  return static_cast<int>(std::count(domain.begin(), domain.end(), '.')) + 1;
}

bool pathMatches(const std::string& cookiePath, const std::string& requestPath) {
  const std::string path = cookiePath.empty() ? "/" : cookiePath;
  if (requestPath == path) return true;
  if (requestPath.rfind(path, 0) != 0) return false;
  return path.back() == '/' || requestPath[path.size()] == '/';
}

bool domainMatches(const std::string& cookieDomain, const std::string& host) {
  const std::string domain = common::lowerAscii(cookieDomain);
  if (domain.empty()) return false;
  if (domain.front() != '.') return domain == host;  // one host only
  const std::string bare = domain.substr(1);
  if (bare.empty()) return false;
  if (bare == host) return true;  // a public suffix too, as a cookie of that host alone
  if (isIpAddress(host) || isPublicSuffix(bare)) return false;
  if (!suffixRules().loaded && labelCount(bare) < kLabelsWithoutList) return false;
  return endsWith(host, "." + bare);
}

bool isFieldSafe(const std::string& text) {
  return std::none_of(text.begin(), text.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7f || c == ';';
  });
}

}  // namespace

void usePublicSuffixList(const std::string& path) {
  listPath() = path.empty() ? kPublicSuffixList : path;
  rulesHeld().reset();
}

bool isPublicSuffix(const std::string& domain) {
  const SuffixRules& rules = suffixRules();
  if (!rules.loaded) return domain.find('.') == std::string::npos;
  if (rules.exception.count(domain) != 0) return false;
  if (rules.plain.count(domain) != 0) return true;
  const std::size_t dot = domain.find('.');
  if (dot != std::string::npos && rules.wildcard.count(domain.substr(dot + 1)) != 0) return true;
  // A top-level name the list does not know is still one nobody owns alone.
  return domain.find('.') == std::string::npos;
}

std::string cookieHeaderFor(const std::vector<platform::BrowserCookie>& cookies, const std::string& address,
                            std::int64_t now) {
  const http::UrlParts parts = http::splitAddress(address);
  const std::string host = common::lowerAscii(parts.host);
  std::string path = parts.path.substr(0, parts.path.find_first_of("?#"));
  if (path.empty() || path.front() != '/') path = "/";
  const bool https = common::lowerAscii(parts.proto) == "https";
  std::vector<const platform::BrowserCookie*> going;
  for (const platform::BrowserCookie& cookie : cookies) {
    if (cookie.secure && !https) continue;
    if (cookie.expires >= 0 && cookie.expires <= now) continue;
    if (!isFieldSafe(cookie.name) || !isFieldSafe(cookie.value) || cookie.name.find('=') != std::string::npos)
      continue;
    if (cookie.name.empty() && cookie.value.empty()) continue;  // would be an empty item of the field
    if (!domainMatches(cookie.domain, host) || !pathMatches(cookie.path, path)) continue;
    going.push_back(&cookie);
  }
  std::stable_sort(going.begin(), going.end(), [](const auto* a, const auto* b) {
    return (a->path.empty() ? 1 : a->path.size()) > (b->path.empty() ? 1 : b->path.size());
  });
  std::string header;
  for (const platform::BrowserCookie* cookie : going) {
    if (!header.empty()) header += "; ";
    header += cookie->name.empty() ? cookie->value : cookie->name + "=" + cookie->value;
  }
  return header;
}

}  // namespace download

#include "download/sites/SegmentedStream.h"

#include "common/SystemProxy.h"
#include "common/Text.h"
#include "net/http/UrlParts.h"
#include "resources/Translations.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>

namespace download {
namespace {

bool isFile(const std::string& path) {
  struct stat info {};
  return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// Nothing that would end a field or a cookie early, or start another.
bool safeText(const std::string& text) {
  return std::none_of(text.begin(), text.end(), [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return (u < 0x20 && c != '\t') || u == 0x7f;
  });
}

bool safeCookiePart(const std::string& text) {
  return safeText(text) && text.find(';') == std::string::npos && text.find('\t') == std::string::npos;
}

}  // namespace

std::string certificateBundle() {
  if (const char* file = std::getenv("SSL_CERT_FILE"); file != nullptr && isFile(file)) return file;
  for (const char* bundle : {"/etc/ssl/certs/ca-certificates.crt", "/etc/pki/tls/certs/ca-bundle.crt"})
    if (isFile(bundle)) return bundle;
  return {};
}

std::vector<std::string> segmentedInputOptions(const FoundStream& stream, std::string& refusal) {
  const http::UrlParts address = http::splitAddress(stream.url);
  const std::string host = common::lowerAscii(address.host);
  if (!common::isProxyBypassed(common::systemProxyBypass(), host) &&
      !common::systemSocksProxy().level.empty()) {
    refusal = resources::translate(
        "SegmentedStream",
        "This video is offered only in segments (HLS or DASH), which ffmpeg reads itself, and ffmpeg "
        "cannot go through the SOCKS proxy that is set (all_proxy): the video was not fetched.");
    return {};
  }
  std::vector<std::string> options{"-rw_timeout", std::to_string(kSegmentedStreamTimeoutSeconds * 1000000LL)};
  // Certificate checks are options of the TLS layer, which the converter takes for an https: address only
  // (for another it refuses them as unknown).
  if (address.proto == "https") {
    options.emplace_back("-tls_verify");
    options.emplace_back("1");
    if (const std::string bundle = certificateBundle(); !bundle.empty()) {
      options.emplace_back("-ca_file");
      options.push_back(bundle);
    }
  }
  std::string fields;
  for (const auto& [name, value] : stream.headers) {
    const std::string lower = common::lowerAscii(name);
    if (!safeText(name) || !safeText(value) || lower == "cookie") continue;  // cookies go apart, below
    if (lower == "user-agent") {
      options.emplace_back("-user_agent");
      options.push_back(value);
    } else if (lower == "referer") {
      options.emplace_back("-referer");
      options.push_back(value);
    } else {
      fields += name + ": " + value + "\r\n";
    }
  }
  if (!fields.empty()) {
    options.emplace_back("-headers");
    options.push_back(fields);
  }
  // One cookie a line, in the form of a Set-Cookie field, so that each keeps its domain and path. A secure
  // cookie does not go to a playlist fetched over plain http:.
  const bool secureAddress = address.proto == "https";
  // The converter compares a cookie's domain with the end of the host as it writes it in the request, with
  // the port when the address names one: the port goes with the domains then.
  const std::string port = address.port.empty() ? std::string() : ":" + address.port;
  std::string cookies;
  for (const platform::BrowserCookie& cookie : stream.cookies) {
    if (cookie.secure && !secureAddress) continue;
    if (cookie.name.empty() || !safeCookiePart(cookie.name) || !safeCookiePart(cookie.value) ||
        !safeCookiePart(cookie.domain) || !safeCookiePart(cookie.path))
      continue;
    std::string domain = cookie.domain;
    if (!domain.empty() && domain.front() == '.') domain.erase(0, 1);
    cookies += cookie.name + "=" + cookie.value + "; path=" + (cookie.path.empty() ? "/" : cookie.path) +
               "; domain=" + (domain.empty() ? host : domain) + port + ";\n";
  }
  if (!cookies.empty()) {
    options.emplace_back("-cookies");
    options.push_back(cookies);
  }
  return options;
}

}  // namespace download

#include "net/http/UrlParts.h"

#include "common/Text.h"

#include <algorithm>
#include <cctype>

namespace http {
namespace {

bool isSchemeChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.';
}

// "./a" and "../../a" against the folder of `previousPath`.
std::string resolveRelative(std::string url, const std::string& previousPath) {
  std::string base = previousPath.substr(0, previousPath.find('?'));
  std::size_t slash = base.rfind('/');
  base = slash == std::string::npos ? "/" : base.substr(0, slash + 1);
  for (;;) {
    if (url.compare(0, 2, "./") == 0) {
      url.erase(0, 2);
    } else if (url.compare(0, 3, "../") == 0) {
      url.erase(0, 3);
      if (base.size() > 1) {
        std::size_t up = base.rfind('/', base.size() - 2);
        base = up == std::string::npos ? "/" : base.substr(0, up + 1);
      }
    } else {
      break;
    }
  }
  return base + url;
}

void splitAuthority(const std::string& authority, UrlParts& parts) {
  std::size_t at = authority.rfind('@');
  std::string hostPort = authority;
  if (at != std::string::npos) {
    std::string userInfo = authority.substr(0, at);
    hostPort = authority.substr(at + 1);
    std::size_t colon = userInfo.find(':');
    parts.user = userInfo.substr(0, colon);
    if (colon != std::string::npos) parts.pass = userInfo.substr(colon + 1);
  }
  std::size_t bracket = hostPort.rfind(']');
  std::size_t colon = hostPort.rfind(':');
  if (colon != std::string::npos && (bracket == std::string::npos || colon > bracket)) {
    parts.host = hostPort.substr(0, colon);
    parts.port = hostPort.substr(colon + 1);
  } else {
    parts.host = hostPort;
  }
}

}  // namespace

UrlParts splitAddress(const std::string& url, const std::string& previousPath) {
  UrlParts parts;
  if (url.compare(0, 2, "./") == 0 || url.compare(0, 3, "../") == 0) {
    parts.path = resolveRelative(url, previousPath);
    return parts;
  }
  std::string rest = url;
  std::size_t sep = url.find("://");
  if (sep != std::string::npos && sep > 0 && std::all_of(url.begin(), url.begin() + sep, isSchemeChar)) {
    parts.proto = common::lowerAscii(url.substr(0, sep));
    rest = url.substr(sep + 3);
  } else if (sep != std::string::npos) {
    parts.proto = "http";
  } else if (url.compare(0, 1, "/") == 0 && url.compare(0, 2, "//") != 0) {
    parts.proto = "http";
    parts.path = url;
    return parts;
  } else if (common::startsWithNoCase(url, "http:") && url.compare(5, 2, "//") != 0) {
    parts.proto = "http";
    parts.path = url.substr(5);
    return parts;
  } else if (common::startsWithNoCase(url, "mailto:")) {
    parts.proto = "mailto";
    rest = url.substr(7);
  } else if (url.compare(0, 2, "//") == 0) {
    rest = url.substr(2);
  }
  std::size_t pathStart = rest.find_first_of("/?");
  splitAuthority(rest.substr(0, pathStart), parts);
  if (pathStart != std::string::npos) parts.path = rest.substr(pathStart);
  return parts;
}

std::string documentNameFromPath(const std::string& path) {
  std::string p = path.substr(0, path.find('?'));
  if (p.empty() || p.back() == '/') return "document.htm";
  std::size_t slash = p.rfind('/');
  std::string name = slash == std::string::npos ? p : p.substr(slash + 1);
  return name.substr(0, 255);
}

std::string encodeRequestTarget(const std::string& target) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(target.size());
  for (char ch : target) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (c <= 0x20 || c >= 0x7f) {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += ch;
    }
  }
  return out;
}

bool isValidHostText(const std::string& host) {
  return std::none_of(host.begin(), host.end(), [](char ch) {
    unsigned char c = static_cast<unsigned char>(ch);
    return c <= 0x20 || c == 0x7f || ch == '/' || ch == '?' || ch == '#' || ch == '@';
  });
}

}  // namespace http

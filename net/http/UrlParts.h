// Address splitting and the names derived from a request path.
#pragma once

#include <string>

namespace http {

struct UrlParts {
  std::string proto;  // lower case; empty when the address names none
  std::string user, pass, host, port, path;
};

// Splits an address into protocol, user, password, host, port and path. An address beginning "./" or
// "../" is resolved against `previousPath` and gives only a path.
UrlParts splitAddress(const std::string& url, const std::string& previousPath = "");

// The file name of a request path: without any query, "document.htm" for a path that names a folder,
// at most 255 characters.
std::string documentNameFromPath(const std::string& path);

// The request target as it may stand in a request line: control characters, blanks and bytes above
// 0x7e are percent-encoded; everything else is kept.
std::string encodeRequestTarget(const std::string& target);

// True when `host` may stand in a request line and a Host field (no control characters or blanks, no
// "/", "?", "#" or "@").
bool isValidHostText(const std::string& host);

}  // namespace http

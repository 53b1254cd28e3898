// Which of the browser profile's cookies go with a download, as a browser would send them: those whose
// domain, path and scheme match the address, and that have not expired.
#pragma once

#include "platform/browser/BrowserCookie.h"

#include <cstdint>
#include <string>
#include <vector>

namespace download {

// The "Cookie" field's value for a request of `address` at `now` (seconds since 1970, UTC); empty when no
// cookie goes. A cookie goes when
// - its domain matches the host: the same host (letter case aside) for a cookie of one host ("example.com");
//   for a domain cookie (".example.com") that host or one below it, never an IP address below a "domain",
//   and never a domain that is a public suffix ("com", "co.uk") unless it is the host itself;
// - its path matches the address's path (the same path, or one below it: "/a" matches "/a", "/a/", "/a/b",
//   not "/ab");
// - it is not secure, or the address is https; and it has not expired;
// - its name and value hold nothing that would break the field (control characters, ";").
// Cookies with longer paths come first; otherwise they keep the profile's order.
std::string cookieHeaderFor(const std::vector<platform::BrowserCookie>& cookies, const std::string& address,
                            std::int64_t now);

// True when `domain` (lower case, without a leading dot) is a public suffix: a name under which anyone can
// register their own, such as "com" or "co.uk". Read from the system's list of them
// (/usr/share/publicsuffix); without the list, a name without a dot counts as one.
bool isPublicSuffix(const std::string& domain);

// Reads the list of public suffixes from `path` from now on (empty: the system's). Without a list (Debian's
// publicsuffix package is a dependency, so only a broken installation lacks it) no domain cookie of fewer
// than three labels goes to a host below it (".co.uk", and ".youtube.com" too), which is said once on
// standard error. For tests.
void usePublicSuffixList(const std::string& path);

}  // namespace download

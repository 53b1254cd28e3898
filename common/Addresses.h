// Video page addresses and web addresses. The video page rules use the site domains of
// SiteConfig::current(); letter case is ignored for ASCII letters only, so nothing here depends on the
// locale, and nothing can fail.
#pragma once

#include <string>

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

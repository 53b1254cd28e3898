// One fuzz input for the address rules: the first byte picks the sites (the real ones, a local
// simulator with a port, or a sites file made of the rest of the input), the rest is the address.
// Returns what went wrong, or the empty text. Shared by the fuzz target and its regression test.
#pragma once

#include "common/Addresses.h"
#include "common/SiteConfig.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzzing {

inline std::string checkAddress(const std::string& address) {
  const std::string once = common::normalizeVideoUrl(address);
  if (common::normalizeVideoUrl(once) != once) return "normalising twice changed the address: " + address;
  common::isVideoPageUrl(address);
  return {};
}

inline std::string checkVideoUrlInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return {};
  const std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  std::string error;
  switch (data[0] % 3) {
    case 0:
      common::SiteConfig::setCurrent(common::SiteConfig());
      error = checkAddress(rest);
      break;
    case 1:
      common::SiteConfig::setCurrent(
          common::parseSiteConfig("[Sites]\nYouTubeDomain=127.0.0.1:8123\nMetacafeDomain=127.0.0.1:8124\n")
              .config);
      error = checkAddress(rest);
      break;
    default: {
      const common::SiteConfig sites = common::parseSiteConfig(rest).config;
      for (const std::string* value : {&sites.youTubeDomain, &sites.metacafeDomain, &sites.googleDomain,
                                       &sites.youTubeHost, &sites.exampleWatchUrl}) {
        if (value->empty()) return "a sites file left an empty value";
        for (char c : *value) {
          if (static_cast<unsigned char>(c) <= ' ') return "a sites file let a blank or control character in";
        }
      }
      common::SiteConfig::setCurrent(sites);
      error = checkAddress("http://" + sites.youTubeHost + "/watch_videos?index=1&video_ids=a%2Cb");
      if (error.empty()) error = checkAddress("http://" + sites.youTubeHost + "/watch?x=1&v=a");
      break;
    }
  }
  common::SiteConfig::reset();
  return error;
}

}  // namespace fuzzing

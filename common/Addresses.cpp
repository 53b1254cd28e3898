// Recognition and normalisation of video page addresses. Every search folds ASCII letters only, so
// UTF-8 and any other bytes pass through untouched; nothing here can fail.
#include "common/Addresses.h"
#include "common/SiteConfig.h"
#include "common/Text.h"

#include <algorithm>
#include <climits>
#include <string_view>

namespace common {
namespace {

constexpr std::string_view kWatch = "watch";
constexpr std::string_view kWatchV = "watch?v=";
constexpr std::string_view kIndex = "index=";
constexpr std::string_view kVideoIds = "video_ids=";
constexpr std::string_view kComma = "%2C";  // the percent-encoded comma between list identifiers
constexpr std::string_view kCommaLower = "%2c";

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// The integer that `text` holds, or -1 when it is not a whole decimal number. Values above INT_MAX
// are taken as INT_MAX: any index that large lies beyond the list.
int parseIndex(const std::string& text) {
  const bool negative = !text.empty() && text[0] == '-';
  std::size_t pos = !text.empty() && (text[0] == '-' || text[0] == '+') ? 1 : 0;
  if (pos == text.size()) return -1;
  long long value = 0;
  for (; pos < text.size(); ++pos) {
    if (text[pos] < '0' || text[pos] > '9') return -1;
    value = std::min<long long>(value * 10 + (text[pos] - '0'), INT_MAX);
  }
  return negative ? -static_cast<int>(value) : static_cast<int>(value);
}

// The identifier that starts at `from`: cut before the first "%2C" in any letter case, else before
// the first "&", else the rest of the address.
std::string identifierFrom(const std::string& address, const std::string& lower, std::size_t from) {
  std::size_t end = lower.find(kCommaLower, from);
  if (end == std::string::npos) end = lower.find('&', from);
  if (end == std::string::npos) end = lower.size();
  return address.substr(from, end - from);
}

// The identifier of a list page at position `n` (1 = the second identifier): from the whole address,
// drop everything up to and including one "%2C" per step.
std::string walkList(const std::string& address, const std::string& lower, int n) {
  std::size_t from = 0;
  for (std::size_t comma; n > 0 && (comma = lower.find(kCommaLower, from)) != std::string::npos; --n) {
    from = comma + kCommaLower.size();
  }
  return identifierFrom(address, lower, from);
}

// The identifier of a list page ("/watch_videos"): the one "index=" points at, else the first of
// "video_ids=", else none.
std::string listIdentifier(const std::string& address, const std::string& lower) {
  const std::size_t ids = lower.find(kVideoIds);
  const std::size_t index = lower.find(kIndex);
  if (index != std::string::npos) {
    const std::size_t value = index + kIndex.size();
    const std::size_t amp = lower.find('&', value);
    const int n = parseIndex(lower.substr(value, amp == std::string::npos ? std::string::npos : amp - value));
    if (n > 0) return walkList(address, lower, n);
    // Position 0, a negative position or no number: the first identifier of the list.
    if (ids == std::string::npos) return {};
    return identifierFrom(address, lower, ids + kVideoIds.size());
  }
  if (ids == std::string::npos) return {};
  const std::string rest = address.substr(ids + kVideoIds.size());
  return rest.substr(0, rest.find(kComma));  // only the upper-case "%2C" ends it here
}

}  // namespace

bool isVideoPageUrl(const std::string& address) {
  const SiteConfig sites = SiteConfig::current();
  if (containsNoCase(address, sites.youTubeDomain)) return containsNoCase(address, kWatch);
  if (containsNoCase(address, sites.metacafeDomain)) return containsNoCase(address, kWatch);
  return containsNoCase(address, sites.googleDomain);
}

std::string normalizeVideoUrl(const std::string& address) {
  const SiteConfig sites = SiteConfig::current();
  if (!containsNoCase(address, sites.youTubeDomain)) return address;
  const std::string lower = lowerAscii(address);
  if (contains(lower, std::string(kWatchV))) return address;
  const std::string domain = lowerAscii(sites.youTubeDomain);
  if (contains(lower, domain + "/watch_videos"))
    return sites.canonicalWatchPrefix() + listIdentifier(address, lower);
  const std::string watchMarker = domain + "/watch";
  const std::size_t watch = lower.find(watchMarker);
  if (watch == std::string::npos) return address;
  const std::size_t v = lower.find("v=");
  if (v == std::string::npos) return address;
  return address.substr(0, watch + watchMarker.size()) + "?" + address.substr(v);
}

bool isWebAddress(const std::string& address) {
  std::size_t rest;
  if (startsWithNoCase(address, "http://")) {
    rest = 7;
  } else if (startsWithNoCase(address, "https://")) {
    rest = 8;
  } else {
    return false;
  }
  if (rest >= address.size() || address[rest] == '/' || address[rest] == '?' || address[rest] == '#')
    return false;
  return std::none_of(address.begin(), address.end(),
                      [](char c) { return static_cast<unsigned char>(c) <= 0x20 || c == 0x7f; });
}

}  // namespace common

// Searching page text for the ASCII markers of the video sites, letter case as written. The searches that
// ignore letter case are common::findNoCase and common::containsNoCase (common/Text.h).
#pragma once

#include <cstddef>
#include <string_view>

namespace download {

constexpr std::size_t kNotFound = std::string_view::npos;

// The position of the first `marker` in `text` at or after `from`, letter case as written; kNotFound
// when there is none.
inline std::size_t findText(std::string_view text, std::string_view marker, std::size_t from = 0) {
  return text.find(marker, from);
}

inline bool containsText(std::string_view text, std::string_view marker) {
  return findText(text, marker) != kNotFound;
}

// Everything after the marker that starts at `pos` (empty when `pos` is kNotFound).
inline std::string_view restAfter(std::string_view text, std::size_t pos, std::size_t markerSize) {
  if (pos == kNotFound || pos + markerSize > text.size()) return {};
  return text.substr(pos + markerSize);
}

}  // namespace download

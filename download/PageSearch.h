// Searching page text for the ASCII markers of the video sites. The page is UTF-8 (or any 8-bit text):
// case-insensitive searches fold the ASCII letters only, so a marker never matches inside a multi-byte
// character and the bytes of other characters are compared as they are.
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

// As findText, ignoring the case of ASCII letters.
std::size_t findNoCase(std::string_view text, std::string_view marker, std::size_t from = 0);

inline bool containsText(std::string_view text, std::string_view marker) {
  return findText(text, marker) != kNotFound;
}

inline bool containsNoCase(std::string_view text, std::string_view marker) {
  return findNoCase(text, marker) != kNotFound;
}

// Everything after the marker that starts at `pos` (empty when `pos` is kNotFound).
inline std::string_view restAfter(std::string_view text, std::size_t pos, std::size_t markerSize) {
  if (pos == kNotFound || pos + markerSize > text.size()) return {};
  return text.substr(pos + markerSize);
}

}  // namespace download

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
inline std::size_t FindText(std::string_view text, std::string_view marker, std::size_t from = 0) {
  return text.find(marker, from);
}

// As FindText, ignoring the case of ASCII letters.
std::size_t FindNoCase(std::string_view text, std::string_view marker, std::size_t from = 0);

inline bool ContainsText(std::string_view text, std::string_view marker) {
  return FindText(text, marker) != kNotFound;
}

inline bool ContainsNoCase(std::string_view text, std::string_view marker) {
  return FindNoCase(text, marker) != kNotFound;
}

// Everything after the marker that starts at `pos` (empty when `pos` is kNotFound).
inline std::string_view RestAfter(std::string_view text, std::size_t pos, std::size_t markerSize) {
  if (pos == kNotFound || pos + markerSize > text.size()) return {};
  return text.substr(pos + markerSize);
}

}  // namespace download

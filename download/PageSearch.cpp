#include "download/PageSearch.h"

namespace download {
namespace {

char foldAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

// Looks at each byte from `from` up to the match once (plus the marker's length at each candidate), so
// repeated searches that move forward through a page read it about once in all.
std::size_t findNoCase(std::string_view text, std::string_view marker, std::size_t from) {
  if (from > text.size() || text.size() - from < marker.size()) return kNotFound;
  if (marker.empty()) return from;
  const char first = foldAscii(marker[0]);
  const std::size_t last = text.size() - marker.size();
  for (std::size_t at = from; at <= last; ++at) {
    if (foldAscii(text[at]) != first) continue;
    std::size_t k = 1;
    while (k < marker.size() && foldAscii(text[at + k]) == foldAscii(marker[k])) ++k;
    if (k == marker.size()) return at;
  }
  return kNotFound;
}

}  // namespace download

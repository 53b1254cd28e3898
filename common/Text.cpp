#include "common/Text.h"

namespace common {
namespace {

char foldAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool isTrimmed(char c, Trim what) {
  switch (what) {
    case Trim::BlanksAndControls:
      return static_cast<unsigned char>(c) <= 0x20;
    case Trim::Whitespace:
      return c == ' ' || c == '\t' || c == '\r' || c == '\n';
    case Trim::SpacesAndTabs:
      return c == ' ' || c == '\t';
    case Trim::Spaces:
      return c == ' ';
  }
  return false;
}

}  // namespace

std::string lowerAscii(std::string_view text) {
  std::string result(text);
  for (char& c : result) c = foldAscii(c);
  return result;
}

std::string trim(std::string_view text, Trim what) {
  while (!text.empty() && isTrimmed(text.front(), what)) text.remove_prefix(1);
  while (!text.empty() && isTrimmed(text.back(), what)) text.remove_suffix(1);
  return std::string(text);
}

// Looks at each byte from `from` up to the match once (plus the part's length at each candidate), so
// repeated searches that move forward through a page read it about once in all.
std::size_t findNoCase(std::string_view text, std::string_view part, std::size_t from) {
  if (from > text.size() || text.size() - from < part.size()) return std::string::npos;
  if (part.empty()) return from;
  const char first = foldAscii(part[0]);
  const std::size_t last = text.size() - part.size();
  for (std::size_t at = from; at <= last; ++at) {
    if (foldAscii(text[at]) != first) continue;
    std::size_t k = 1;
    while (k < part.size() && foldAscii(text[at + k]) == foldAscii(part[k])) ++k;
    if (k == part.size()) return at;
  }
  return std::string::npos;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (foldAscii(a[i]) != foldAscii(b[i])) return false;
  }
  return true;
}

}  // namespace common

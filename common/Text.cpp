#include "common/Text.h"

#include <cstdint>

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

std::size_t utf8SequenceLength(std::string_view text) {
  if (text.empty()) return 0;
  const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
  const std::uint8_t lead = byte(0);
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  std::uint8_t low = 0x80, high = 0xBF;  // allowed range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (text.size() < length || byte(1) < low || byte(1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
  }
  return length;
}

std::string fillIn(std::string_view text, std::initializer_list<std::string_view> args) {
  std::string result;
  result.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char next = i + 1 < text.size() ? text[i + 1] : '\0';
    const auto number = static_cast<std::size_t>(next - '0');
    if (text[i] == '%' && next >= '1' && next <= '9' && number <= args.size()) {
      result += *(args.begin() + (number - 1));
      ++i;
    } else {
      result += text[i];
    }
  }
  return result;
}

}  // namespace common

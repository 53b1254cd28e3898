#include "tags/TagText.h"

namespace tags {
namespace {

// The length of the UTF-8 sequence that starts with `lead` (0 for a byte that starts none), and whether the
// bytes after it continue it. Overlong forms, surrogates and code points past U+10FFFF count as invalid.
std::size_t sequenceLength(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  std::size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // the allowed range of the second byte
  if (lead < 0x80) return 1;
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
  if (at + length > text.size()) return 0;
  if (byte(at + 1) < low || byte(at + 1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return 0;
  }
  return length;
}

}  // namespace

std::string cleanTagText(std::string_view value, bool keepLineBreaks) {
  std::string out;
  out.reserve(std::min(value.size(), kMaxTagChars * 4));
  std::size_t chars = 0;
  for (std::size_t i = 0; i < value.size() && chars < kMaxTagChars;) {
    const std::size_t length = sequenceLength(value, i);
    if (length == 0) {
      out += "\xEF\xBF\xBD";  // U+FFFD for a byte that is no UTF-8
      ++chars;
      ++i;
      continue;
    }
    if (length == 1) {
      const char c = value[i++];
      const auto u = static_cast<unsigned char>(c);
      if (c == '\n' && keepLineBreaks) {
        out.push_back('\n');
        ++chars;
      } else if (c == '\t' || ((c == '\n' || c == '\r') && !keepLineBreaks)) {
        // A tab, or a line break where none is kept, separates words.
        if (!out.empty() && out.back() != ' ' && out.back() != '\n') {
          out.push_back(' ');
          ++chars;
        }
      } else if (u >= 0x20 && u != 0x7F) {
        out.push_back(c);
        ++chars;
      }
      continue;
    }
    // C1 control characters (U+0080 to U+009F) go as well.
    const bool c1 = length == 2 && static_cast<unsigned char>(value[i]) == 0xC2 &&
                    static_cast<unsigned char>(value[i + 1]) < 0xA0;
    if (!c1) {
      out.append(value.substr(i, length));
      ++chars;
    }
    i += length;
  }
  const std::size_t first = out.find_first_not_of(" \n");
  if (first == std::string::npos) return {};
  const std::size_t last = out.find_last_not_of(" \n");
  return out.substr(first, last - first + 1);
}

}  // namespace tags

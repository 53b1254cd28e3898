#include "tags/TagText.h"

#include "common/Text.h"

namespace tags {
std::string cleanTagText(std::string_view value, bool keepLineBreaks) {
  std::string out;
  out.reserve(std::min(value.size(), kMaxTagChars * 4));
  std::size_t chars = 0;
  for (std::size_t i = 0; i < value.size() && chars < kMaxTagChars;) {
    const std::size_t length = common::utf8SequenceLength(value.substr(i));
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

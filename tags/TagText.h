// The text of one tag value, made safe to write: what a page or a resolver reports can hold anything.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tags {

// The most characters (code points) a tag value keeps.
constexpr std::size_t kMaxTagChars = 1000;

// `value` without NUL and other control characters (line breaks kept, as "\n", when `keepLineBreaks`: the
// comment), bytes that are no UTF-8 replaced by U+FFFD, blanks at both ends trimmed, and cut to kMaxTagChars
// characters (never inside one).
std::string cleanTagText(std::string_view value, bool keepLineBreaks = false);

}  // namespace tags

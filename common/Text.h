// Small helpers for texts held as UTF-8 (or any 8-bit) byte strings. Letter case is folded for the ASCII
// letters A-Z only: the bytes of every other character are kept and compared as they are, so a search
// never matches inside a multi-byte character and the result does not depend on the locale. None keeps
// state, none raises. This library depends on nothing, so every layer may use it.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

namespace common {

// `text` with the letters A-Z made lower case; every other byte is kept.
std::string lowerAscii(std::string_view text);

// Which bytes trim() takes off both ends of a text.
enum class Trim {
  BlanksAndControls,  // every byte up to 0x20: spaces, tabs, line ends and the other control characters
  Whitespace,         // ' ', '\t', '\r' and '\n'
  SpacesAndTabs,      // ' ' and '\t': the optional white space around an HTTP header value
  Spaces,             // ' ' only
};

// `text` without the bytes of `what` at its start and end; the bytes between are kept.
std::string trim(std::string_view text, Trim what = Trim::BlanksAndControls);

// The position of the first `part` in `text` at or after `from`, ignoring the case of ASCII letters;
// std::string::npos when there is none. An empty `part` is found at `from` when `from` lies within `text`.
std::size_t findNoCase(std::string_view text, std::string_view part, std::size_t from = 0);

inline bool containsNoCase(std::string_view text, std::string_view part) {
  return findNoCase(text, part) != std::string::npos;
}

// True when the texts are the same but for the case of ASCII letters.
bool equalsNoCase(std::string_view a, std::string_view b);

// True when `text` begins with `prefix`, ignoring the case of ASCII letters.
inline bool startsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && equalsNoCase(text.substr(0, prefix.size()), prefix);
}

// The length of the UTF-8 sequence at the start of `text`, or 0 when it is not a valid one (overlong forms,
// surrogates, values above U+10FFFF and a sequence cut off by the end of `text` included).
std::size_t utf8SequenceLength(std::string_view text);

// `text` with %1 to %9 replaced by the arguments, in one pass: "%1" in an argument stays as it is. A
// number without its argument, and "%%" or a "%" before anything else, are kept as they stand.
std::string fillIn(std::string_view text, std::initializer_list<std::string_view> args);

}  // namespace common

// The name of the video file made from a page title: entities replaced, blanks trimmed, and made safe
// to create in the output folder.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace download {

// Longest file name the file systems take (bytes, extension included).
constexpr std::size_t kMaxFileNameBytes = 255;

// Replaces the first `oldText` by `newText` and searches again from the start, until no `oldText` is
// left, so replacements build on each other: "&amp;amp;" with "&amp;" -> "&" gives "&". Runs in time
// linear in the text. When `newText` is not shorter than `oldText` the restart could go on for ever;
// then every occurrence of the original text is replaced once, left to right.
std::string replaceAll(std::string_view text, std::string_view oldText, std::string_view newText);

// A file name from `stem` and `extension` (such as ".flv"): the stem trimmed, every byte sequence that is
// not UTF-8 replaced by U+FFFD, control characters inside it turned into blanks, the characters a file
// name may not hold removed (common::removeBadFileChars), leading dots removed (they would hide the file),
// and cut at a character boundary so that the whole name fits in kMaxFileNameBytes. Empty when nothing but
// blanks and dots is left of the stem.
std::string makeFileName(std::string_view stem, std::string_view extension);

// The file name for a page title: "&amp;" -> "&", "&quot;", "&lt;" and "&gt;" removed, "&nbsp;" -> blank,
// "&copy;" -> "@" (no other entity is decoded), then makeFileName(title, extension). Empty when the title
// holds nothing usable.
std::string titleToFileName(std::string_view title, std::string_view extension = ".flv");

// The title as a person reads it, for the audio file's tags: character references decoded once, as a
// browser does (the named ones of page titles: "&amp;", "&quot;", "&apos;", "&lt;", "&gt;", "&nbsp;" as
// a blank, "&copy;", "&reg;", and numeric ones "&#233;" / "&#xE9;" of any character but a control
// character), every byte sequence that is not UTF-8 replaced by U+FFFD, control characters turned into
// blanks, leading and trailing blanks removed. Anything else stays as written.
std::string titleText(std::string_view title);

}  // namespace download

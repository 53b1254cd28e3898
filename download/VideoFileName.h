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

// The names a download and its conversion write in the output folder for a stream saved as `fileName` (made
// by makeFileName) and converted to an audio file with `audioExtension` (such as ".mp3"; empty when the
// video is kept as it is).
struct DownloadNames {
  std::string video;  // the downloaded video's name
  std::string audio;  // the audio file's name; empty without an audio extension
};

// The stem is cut at a character boundary so that every name fits in kMaxFileNameBytes: the video's with
// `videoEndingRoom` bytes to spare (for the part's and its record's endings) and the audio file's. The
// video's name never equals the audio file's (letter case aside): an audio-only stream with the audio
// file's own extension ("Song.mp3" converted to ".mp3") is downloaded as "Song.video.mp3", so the
// download never takes the audio file's place.
DownloadNames downloadNames(std::string_view fileName, std::string_view audioExtension,
                            std::size_t videoEndingRoom);

// The title as a person reads it, for the audio file's tags: character references decoded once, as a
// browser does (the named ones of page titles: "&amp;", "&quot;", "&apos;", "&lt;", "&gt;", "&nbsp;" as
// a blank, "&copy;", "&reg;", and numeric ones "&#233;" / "&#xE9;" of any character but a control
// character), every byte sequence that is not UTF-8 replaced by U+FFFD, control characters turned into
// blanks, leading and trailing blanks removed. Anything else stays as written.
std::string titleText(std::string_view title);

}  // namespace download

// Shared helpers of the windows and the converter. None keeps state, none raises: a failure gives
// false, an empty text or an unchanged value.
#pragma once

#include <cstdint>
#include <string>

namespace global {

// The folder picker, centred on the screen. A `folder` that does not exist is cleared first; on true it
// holds the chosen folder, on false it is left as it was after that. `root` is not supported and ignored.
bool SelectFolder(const std::string& title, const std::string& root, std::string& folder);

// `text` without the characters * / : < > ? \ and |; everything else is kept.
std::string RemoveBadFileChars(const std::string& text);

// True when the file exists and cannot be opened for reading and writing, or another process holds it open.
bool IsFileInUse(const std::string& path);

// "07" for 7, "10" for 10, "0-3" for -3: numbers below 10 get a leading "0".
std::string TwoDigits(int number);

// Removes the file for good; true on success.
bool DeleteFileSilently(const std::string& path);

// The byte count in kilobytes, rounded up, with "," between groups of three digits: 1048576 -> "1,024".
std::string FormatKilobytes(std::int64_t bytes);

}  // namespace global

// Video page addresses (common/VideoUrl.cpp). Both use the site domains of SiteConfig::Current().
namespace global {

// True for an address of a supported video page: a YouTube or Metacafe address that holds "watch",
// or any address of the Google domain. Letter case is ignored.
bool IsVideoPageUrl(const std::string& address);

// Rewrites a YouTube address into the single-video watch form; any other address comes back unchanged.
std::string NormalizeVideoUrl(const std::string& address);

}  // namespace global

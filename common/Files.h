// Helpers for the files a request writes and the numbers shown about them. None keeps state, none
// raises: a failure gives false or an unchanged value.
#pragma once

#include <cstdint>
#include <string>

namespace common {

// `text` without the characters * / : < > ? \ and |; everything else is kept.
std::string removeBadFileChars(const std::string& text);

// True when the file exists and cannot be opened for reading and writing, or another process holds it open.
bool isFileInUse(const std::string& path);

// "07" for 7, "10" for 10, "0-3" for -3: numbers below 10 get a leading "0".
std::string twoDigits(int number);

// Removes the file for good; true on success.
bool deleteFileSilently(const std::string& path);

// The byte count in kilobytes, rounded up, with "," between groups of three digits: 1048576 -> "1,024".
std::string formatKilobytes(std::int64_t bytes);

}  // namespace common

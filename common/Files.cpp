#include "common/Files.h"

#include "platform/FileInUse.h"
#include "platform/Paths.h"

#include <unistd.h>

namespace common {

std::string removeBadFileChars(const std::string& text) {
  static const std::string kBad = "*/:<>?\\|";
  std::string result;
  result.reserve(text.size());
  for (char c : text) {
    if (kBad.find(c) == std::string::npos) result.push_back(c);
  }
  return result;
}

bool isFileInUse(const std::string& path) {
  if (!platform::fileExists(path)) return false;
  return !platform::canOpenForReadWrite(path) || platform::isHeldOpenByOtherProcess(path);
}

std::string twoDigits(int number) {
  return (number < 10 ? "0" : "") + std::to_string(number);
}

bool deleteFileSilently(const std::string& path) {
  return !path.empty() && ::unlink(path.c_str()) == 0;
}

std::string formatKilobytes(std::int64_t bytes) {
  if (bytes < 0) bytes = 0;
  const std::int64_t kilobytes = bytes / 1024 + (bytes % 1024 != 0 ? 1 : 0);
  const std::string digits = std::to_string(kilobytes);
  std::string result;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i != 0 && (digits.size() - i) % 3 == 0) result.push_back(',');
    result.push_back(digits[i]);
  }
  return result;
}

}  // namespace common

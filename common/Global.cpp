#include "common/Global.h"

#include "platform/Dialogs.h"
#include "platform/FileInUse.h"
#include "platform/Paths.h"

#include <unistd.h>

namespace common {

bool SelectFolder(const std::string& title, const std::string& /*root*/, std::string& folder) {
  if (!platform::DirectoryExists(folder)) folder.clear();
  std::string chosen = folder;
  if (!platform::CurrentDialogs().SelectFolder(title, chosen)) return false;
  folder = chosen;
  return true;
}

std::string RemoveBadFileChars(const std::string& text) {
  static const std::string kBad = "*/:<>?\\|";
  std::string result;
  result.reserve(text.size());
  for (char c : text) {
    if (kBad.find(c) == std::string::npos) result.push_back(c);
  }
  return result;
}

bool IsFileInUse(const std::string& path) {
  if (!platform::FileExists(path)) return false;
  return !platform::CanOpenForReadWrite(path) || platform::IsHeldOpenByOtherProcess(path);
}

std::string TwoDigits(int number) {
  return (number < 10 ? "0" : "") + std::to_string(number);
}

bool DeleteFileSilently(const std::string& path) {
  return !path.empty() && ::unlink(path.c_str()) == 0;
}

std::string FormatKilobytes(std::int64_t bytes) {
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

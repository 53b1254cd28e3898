#include "app/FormatTable.h"

namespace app {
namespace {

bool containsNoCase(const std::string& text, const std::string& upperPart) {
  std::string upper = text;
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return upper.find(upperPart) != std::string::npos;
}

}  // namespace

const std::array<std::string, 5>& formatListTexts() {
  static const std::array<std::string, 5> kTexts = {
      "MP3 - High Quality Audio (256 Kbps, Stereo)", "MP3 - Normal Quality Audio (128 Kbps, Stereo)",
      "MP3 - Economy Quality Audio (64 Kbps, Mono)", "WAV - Lossless Audio (Stereo)",
      "WMA - Windows Media Audio (Stereo)",
  };
  return kTexts;
}

std::string formatArgs(int index) {
  // The WAV entry carries the same fragment as the normal MP3 entry, bit rate included.
  static const std::array<const char*, 5> kArgs = {
      "-ar 44100 -ab 256kbit/s -ac 2 ",
      "-ar 44100 -ab 128kbit/s -ac 2 ",
      "-ar 44100 -ab 64kbit/s -ac 1 ",
      "-ar 44100 -ab 128kbit/s -ac 2 ",
      "-ar 44100 -ab 128kbit/s -ac 2 -vn -acodec wmav2 ",
  };
  if (index < 0 || index >= static_cast<int>(kArgs.size())) return {};
  return kArgs[static_cast<std::size_t>(index)];
}

std::string formatExtension(const std::string& listText) {
  std::string ext;
  if (containsNoCase(listText, "MP3")) ext = ".mp3";
  if (containsNoCase(listText, "WAV")) ext = ".wav";
  if (containsNoCase(listText, "WMA")) ext = ".wma";
  return ext;
}

}  // namespace app

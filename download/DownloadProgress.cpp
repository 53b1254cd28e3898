#include "download/DownloadProgress.h"

#include "common/Files.h"
#include "common/Text.h"
#include "resources/Strings.h"
#include "resources/Translations.h"

#include <algorithm>
#include <climits>
#include <cstdio>

namespace download {
namespace {

constexpr const char* kLengthField = "Content-Length:";

// A decimal number of at most 18 digits (so it fits in 64 bits); -1 for anything else.
std::int64_t decimalValue(const std::string& text) {
  if (text.empty() || text.size() > 18 || text.find_first_not_of("0123456789") != std::string::npos)
    return -1;
  return std::stoll(text);
}

}  // namespace

bool DownloadProgress::onHeaderLines(const std::vector<std::string>& headerLines) {
  // A reply of its own, such as the final one after a relocation, brings its own length or none.
  total = -1;
  totalSizeText.clear();
  for (const std::string& line : headerLines) {
    if (line.compare(0, 15, kLengthField) != 0) continue;
    const std::size_t blank = line.find(' ');
    const std::int64_t length = blank == std::string::npos ? -1 : decimalValue(line.substr(blank + 1));
    if (length >= 0) {
      total = length;
      totalSizeText = common::formatKilobytes(length) + " KB";
    }
    break;
  }
  return total >= 0;
}

void DownloadProgress::setTotal(std::int64_t length) {
  total = length;
  totalSizeText = length >= 0 ? common::formatKilobytes(length) + " KB" : std::string();
}

bool DownloadProgress::onBodyReceived(std::int64_t received, std::uint64_t nowMs) {
  const std::string kb = common::formatKilobytes(received) + " KB";
  const std::string word = resources::loadString(resources::StringId::Received);
  // Without an announced length the size alone is shown.
  receivedText = total >= 0 ? common::fillIn(resources::translate("DownloadProgress", "%1 of %2 %3"),
                                             {kb, totalSizeText, word})
                            : kb + " " + word;
  if (sampleTick == 0) sampleTick = nowMs;
  const std::uint64_t elapsed = nowMs - sampleTick;
  if (elapsed < kSampleInterval) return false;
  // A count that started again (a relocation within the request) is measured from its new start.
  const std::int64_t bytes = received >= sampleBytes ? received - sampleBytes : received;
  speedText = formatSpeed(bytes, elapsed);
  if (total < 0 || received > total) {
    timeLeftText.clear();  // nothing to measure the rest against
  } else if (bytes > 0) {
    const long double seconds =
        static_cast<long double>(total - received) * elapsed / (static_cast<long double>(bytes) * 1000);
    timeLeftText = formatTimeLeft(static_cast<std::int64_t>(std::min<long double>(seconds, LLONG_MAX / 2)));
  }
  sampleBytes = received;
  sampleTick = nowMs;
  return true;
}

std::string formatSpeed(std::int64_t bytes, std::uint64_t ms) {
  const double perSecond = ms == 0 ? 0.0 : static_cast<double>(bytes) / (static_cast<double>(ms) / 1000.0);
  char text[64];
  std::snprintf(text, sizeof text, "%.1f KB/S", perSecond / 1024.0);
  return text;
}

std::string formatTimeLeft(std::int64_t seconds) {
  seconds = std::max<std::int64_t>(seconds, 0);
  const std::int64_t hours = std::min<std::int64_t>(seconds / 3600, INT_MAX);
  return common::twoDigits(static_cast<int>(hours)) + ":" +
         common::twoDigits(static_cast<int>(seconds % 3600 / 60)) + ":" +
         common::twoDigits(static_cast<int>(seconds % 60));
}

}  // namespace download

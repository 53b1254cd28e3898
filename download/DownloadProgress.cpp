#include "download/DownloadProgress.h"

#include "common/Global.h"
#include "resources/Strings.h"

#include <algorithm>
#include <climits>
#include <cstdio>

namespace download {
namespace {

constexpr const char* kLengthField = "Content-Length:";

// A decimal number of at most 18 digits (so it fits in 64 bits); -1 for anything else.
std::int64_t DecimalValue(const std::string& text) {
  if (text.empty() || text.size() > 18 || text.find_first_not_of("0123456789") != std::string::npos)
    return -1;
  return std::stoll(text);
}

}  // namespace

bool DownloadProgress::onHeaderLines(const std::vector<std::string>& headerLines) {
  for (const std::string& line : headerLines) {
    if (line.compare(0, 15, kLengthField) != 0) continue;
    const std::size_t blank = line.find(' ');
    const std::int64_t length = blank == std::string::npos ? -1 : DecimalValue(line.substr(blank + 1));
    if (length >= 0) {
      Total = length;
      TotalSizeText = common::FormatKilobytes(length) + " KB";
    }
    break;
  }
  return Total >= 0;
}

bool DownloadProgress::onBodyReceived(std::int64_t received, std::uint64_t nowMs) {
  const std::string kb = common::FormatKilobytes(received) + " KB";
  const std::string word = resources::loadString(resources::StringId::Received);
  // Without an announced length the size alone is shown.
  ReceivedText = Total >= 0 ? kb + " of " + TotalSizeText + " " + word : kb + " " + word;
  if (SampleTick == 0) SampleTick = nowMs;
  const std::uint64_t elapsed = nowMs - SampleTick;
  if (elapsed < kSampleInterval) return false;
  // A count that started again (a relocation within the request) is measured from its new start.
  const std::int64_t bytes = received >= SampleBytes ? received - SampleBytes : received;
  SpeedText = FormatSpeed(bytes, elapsed);
  if (Total < 0 || received > Total) {
    TimeLeftText.clear();  // nothing to measure the rest against
  } else if (bytes > 0) {
    const long double seconds =
        static_cast<long double>(Total - received) * elapsed / (static_cast<long double>(bytes) * 1000);
    TimeLeftText = FormatTimeLeft(static_cast<std::int64_t>(std::min<long double>(seconds, LLONG_MAX / 2)));
  }
  SampleBytes = received;
  SampleTick = nowMs;
  return true;
}

std::string FormatSpeed(std::int64_t bytes, std::uint64_t ms) {
  const double perSecond = ms == 0 ? 0.0 : static_cast<double>(bytes) / (static_cast<double>(ms) / 1000.0);
  char text[64];
  std::snprintf(text, sizeof text, "%.1f KB/S", perSecond / 1024.0);
  return text;
}

std::string FormatTimeLeft(std::int64_t seconds) {
  seconds = std::max<std::int64_t>(seconds, 0);
  const std::int64_t hours = std::min<std::int64_t>(seconds / 3600, INT_MAX);
  return common::TwoDigits(static_cast<int>(hours)) + ":" +
         common::TwoDigits(static_cast<int>(seconds % 3600 / 60)) + ":" +
         common::TwoDigits(static_cast<int>(seconds % 60));
}

}  // namespace download

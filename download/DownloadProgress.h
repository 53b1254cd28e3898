// What the download panel shows of a running download, worked out from the HTTP client's header lines
// and body byte count: the total size, the size received, and the speed and time remaining sampled
// over intervals of at least two seconds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace download {

class DownloadProgress {
 public:
  static constexpr std::uint64_t kSampleInterval = 2000;  // milliseconds

  std::int64_t total = -1;       // the announced length; -1 until a usable "Content-Length:" line
  std::string totalSizeText;     // common::formatKilobytes(total) + " KB"; empty until then
  std::uint64_t sampleTick = 0;  // milliseconds of the last speed sample; 0 before the first
  std::int64_t sampleBytes = 0;  // the byte count at the last speed sample
  std::string receivedText;      // "1,234 KB of 5,678 KB received"
  std::string speedText;         // "25.0 KB/S"
  std::string timeLeftText;      // "01:02:05"

  void reset() { *this = DownloadProgress(); }
  // After each header line, with the lines of the reply being received: takes the total from the
  // first "Content-Length:" line (that letter case only) whose value is a decimal number; without
  // one the total is unknown again. True when the total is known.
  bool onHeaderLines(const std::vector<std::string>& headerLines);
  // The total is known otherwise (the whole video's size, when a reply brings only its rest).
  void setTotal(std::int64_t length);
  // After each piece of body bytes, with `received` bytes so far at `nowMs` (a monotonic clock that is
  // never 0). True when speed and time remaining were sampled anew.
  bool onBodyReceived(std::int64_t received, std::uint64_t nowMs);
};

// `bytes` received in `ms` milliseconds as kilobytes per second with one decimal: "25.0 KB/S".
std::string formatSpeed(std::int64_t bytes, std::uint64_t ms);

// Seconds as hours:minutes:seconds, at least two digits each: 3725 -> "01:02:05", 400000 -> "111:06:40".
std::string formatTimeLeft(std::int64_t seconds);

}  // namespace download

#include "convert/OutputParser.h"

#include "common/Files.h"
#include "common/Text.h"

#include <cstddef>
#include <optional>

namespace convert {
namespace {

constexpr std::string_view kDurationWord = "duration:";
constexpr std::string_view kTimeWord = "time=";
constexpr int kMaxDigits = 15;  // keeps position x 100 far from overflowing 64 bits

std::string_view skipBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  return s;
}

// Digits only, at most `max` of them.
std::optional<std::int64_t> digitsOf(std::string_view s, std::size_t max) {
  if (s.empty() || s.size() > max) return std::nullopt;
  std::int64_t value = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

// A decimal integer: leading blanks, an optional sign, then digits and nothing else.
std::optional<std::int64_t> integerOf(std::string_view s) {
  s = skipBlanks(s);
  const bool negative = !s.empty() && s.front() == '-';
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) s.remove_prefix(1);
  const auto value = digitsOf(s, kMaxDigits);
  if (!value) return std::nullopt;
  return negative ? -*value : *value;
}

// The two characters before the separator at `pos`; near the start, the first two characters.
std::int32_t twoBefore(std::string_view rest, std::size_t pos) {
  const std::size_t start = pos >= 2 ? pos - 2 : 0;
  return static_cast<std::int32_t>(integerOf(rest.substr(start, 2)).value_or(0));
}

// The hours before the first ":": every digit right before it (a long input has more than two).
std::int64_t hoursBefore(std::string_view rest, std::size_t pos) {
  std::size_t start = pos;
  while (start > 0 && rest[start - 1] >= '0' && rest[start - 1] <= '9' && pos - start < 9) --start;
  return digitsOf(rest.substr(start, pos - start), 9).value_or(0);
}

// Duration components of the chunk so far; a line without one keeps the earlier value.
struct DurationFields {
  std::int64_t hours = 0;
  std::int32_t minutes = 0, seconds = 0;
};

std::int64_t parseDuration(std::string_view line, std::size_t at, DurationFields& d) {
  const std::string value = common::trim(line.substr(at + kDurationWord.size()));
  std::string_view rest = value;
  std::size_t p = rest.find(':');
  if (p != std::string_view::npos) {
    d.hours = hoursBefore(rest, p);
    rest.remove_prefix(p + 1);
  }
  p = rest.find(':');
  if (p != std::string_view::npos) {
    d.minutes = twoBefore(rest, p);
    rest.remove_prefix(p + 1);
  }
  p = rest.find('.');
  if (p != std::string_view::npos) d.seconds = twoBefore(rest, p);
  return d.hours * 3600 + d.minutes * 60 + d.seconds;  // at most 9 digits of hours, no overflow
}

// hours:minutes:seconds in whole seconds, as today's converter writes positions; a negative time
// counts as none (0).
std::optional<std::int64_t> clockOf(std::string_view s) {
  s = skipBlanks(s);
  const bool negative = !s.empty() && s.front() == '-';
  if (negative) s.remove_prefix(1);
  const std::size_t first = s.find(':');
  const std::size_t second = first == std::string_view::npos ? first : s.find(':', first + 1);
  if (second == std::string_view::npos) return std::nullopt;
  const auto h = digitsOf(s.substr(0, first), 9);
  const auto m = digitsOf(s.substr(first + 1, second - first - 1), 2);
  const auto sec = digitsOf(s.substr(second + 1), 2);
  if (!h || !m || !sec) return std::nullopt;
  return negative ? 0 : *h * 3600 + *m * 60 + *sec;
}

// The position of a "time=" line; nullopt when the value has no "." and so keeps the earlier one.
std::optional<std::int64_t> parsePosition(std::string_view line, std::size_t at) {
  const std::string_view value = line.substr(at + kTimeWord.size());
  if (common::findNoCase(skipBlanks(value).substr(0, 3), "n/a") == 0) return 0;
  const std::size_t dot = value.find('.');
  if (dot == std::string_view::npos) return std::nullopt;
  const std::string_view whole = value.substr(0, dot);
  if (auto clock = clockOf(whole)) return *clock;
  return integerOf(whole).value_or(0);
}

}  // namespace

void parseOutputChunk(std::string_view chunk, OutputSink& sink) {
  DurationFields duration;
  std::int64_t position = 0;
  std::size_t start = 0;
  while (start < chunk.size()) {
    std::size_t end = chunk.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = chunk.size();
    const std::string line = common::trim(chunk.substr(start, end - start));
    // CR LF is one line end; every other CR or LF is one by itself.
    start = end + (end + 1 < chunk.size() && chunk[end] == '\r' && chunk[end + 1] == '\n' ? 2 : 1);
    if (line.empty()) continue;
    sink.onLine(line);
    const std::size_t durationAt = common::findNoCase(line, kDurationWord);
    if (durationAt != std::string_view::npos) sink.onDuration(parseDuration(line, durationAt, duration));
    const std::size_t timeAt = common::findNoCase(line, kTimeWord);
    if (timeAt != std::string_view::npos) {
      if (auto p = parsePosition(line, timeAt)) position = *p;
      sink.onPosition(position);
    }
  }
}

void OutputLines::feed(std::string_view chunk, OutputSink& sink) {
  const std::size_t lastEnd = chunk.find_last_of("\r\n");
  if (lastEnd == std::string_view::npos) {
    held_.append(chunk);
    if (held_.size() > kMaxHeld) flush(sink);
    return;
  }
  if (held_.empty()) {
    parseOutputChunk(chunk.substr(0, lastEnd + 1), sink);
  } else {
    held_.append(chunk.substr(0, lastEnd + 1));
    const std::string joined = std::move(held_);
    held_.clear();
    parseOutputChunk(joined, sink);
  }
  held_.assign(chunk.substr(lastEnd + 1));
  if (held_.size() > kMaxHeld) flush(sink);
}

void OutputLines::flush(OutputSink& sink) {
  const std::string rest = std::move(held_);
  held_.clear();
  parseOutputChunk(rest, sink);
}

bool isStatusLine(std::string_view line) {
  return common::findNoCase(line, kTimeWord) != std::string_view::npos;
}

std::string formatMinutesSeconds(std::int64_t seconds) {
  return common::twoDigits(static_cast<int>(seconds / 60)) + ":" +
         common::twoDigits(static_cast<int>(seconds % 60));
}

}  // namespace convert

// One fuzz case for the converter's output parser: the input is split into reads at the bytes
// 0x01 (so a case can cut lines anywhere) and fed both to the bare parser, whose findings are
// checked, and to a conversion object. Returns false when a finding breaks the parser's promises.
#pragma once

#include "convert/ConvertProcess.h"
#include "convert/OutputParser.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace convert_fuzz {

class CheckingSink final : public convert::OutputSink {
 public:
  bool ok = true;
  void onLine(std::string_view line) override {
    if (line.empty() || static_cast<unsigned char>(line.front()) <= ' ' ||
        static_cast<unsigned char>(line.back()) <= ' ' ||
        line.find_first_of("\r\n") != std::string_view::npos)
      ok = false;
  }
  void onDuration(std::int64_t seconds) override {
    // up to 9 digits of hours, two digits of minutes and of seconds
    if (seconds < -99 * 61 || seconds > 999999999LL * 3600 + 99 * 61) ok = false;
  }
  void onPosition(std::int64_t seconds) override {
    if (seconds >= 1000000000000000LL) ok = false;  // at most 15 digits, or 9 digits of hours
  }
};

inline bool checkOutputCase(const std::uint8_t* data, std::size_t size) {
  const std::string_view all(reinterpret_cast<const char*>(data), size);
  CheckingSink sink;
  convert::ConvertProcess process;  // posts to no window
  std::size_t start = 0;
  while (start <= all.size()) {
    std::size_t cut = all.find('\x01', start);
    if (cut == std::string_view::npos) cut = all.size();
    const std::string_view chunk = all.substr(start, cut - start);
    convert::parseOutputChunk(chunk, sink);
    process.parseOutput(chunk);
    start = cut + 1;
  }
  return sink.ok;
}

}  // namespace convert_fuzz

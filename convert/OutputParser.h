// The converter's output, taken one chunk at a time as it is read from a pipe: its lines, and in
// them the input's duration ("duration:") and the position reached ("time="). parseOutputChunk()
// parses a chunk on its own; OutputLines joins a line that one read cut off to the rest of it from the
// next (the converter writes a line in several pieces, "  Duration: " and the time apart, say), holding
// at most kMaxHeld bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace convert {

// What a chunk holds, in the order of its lines.
class OutputSink {
 public:
  virtual ~OutputSink() = default;
  // Every line that is not empty once blanks and control characters are trimmed off both ends,
  // before its tests; trimmed.
  virtual void onLine(std::string_view line) = 0;
  // A "duration:" line: the input's length in whole seconds (0 when it could not be read).
  virtual void onDuration(std::int64_t seconds) = 0;
  // A "time=" line: the position in whole seconds (0 or below when there is none).
  virtual void onPosition(std::int64_t seconds) = 0;
};

void parseOutputChunk(std::string_view chunk, OutputSink& sink);

// The chunks of one run of the converter, with a line that a read cut off completed by the next.
class OutputLines {
 public:
  // A line still unfinished after this many bytes is parsed as it stands.
  static constexpr std::size_t kMaxHeld = 4096;

  // Parses the finished lines of what has arrived; an unfinished last line waits for the next chunk.
  void feed(std::string_view chunk, OutputSink& sink);
  // The end of the output: parses an unfinished last line.
  void flush(OutputSink& sink);
  void clear() { held_.clear(); }

 private:
  std::string held_;
};

// True for the converter's in-place status lines ("size= ... time=... bitrate=... speed=...").
bool isStatusLine(std::string_view line);

// Seconds as minutes:seconds, each at least two digits: 59 -> "00:59", 6000 -> "100:00".
std::string formatMinutesSeconds(std::int64_t seconds);

}  // namespace convert

#include "ConvertTestSupport.h"

#include "platform/ChildProcess.h"
#include "support/WaitFor.h"

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <stdexcept>

namespace convert_test {

const Format kFormats[5] = {
    {"-ar 44100 -ab 256kbit/s -ac 2 ", ".mp3"},
    {"-ar 44100 -ab 128kbit/s -ac 2 ", ".mp3"},
    {"-ar 44100 -ab 64kbit/s -ac 1 ", ".mp3"},
    {"-ar 44100 -ab 128kbit/s -ac 2 ", ".wav"},
    {"-ar 44100 -ab 128kbit/s -ac 2 -vn -acodec wmav2 ", ".wma"},
};

namespace {

int openNull(int flags) {
  return ::open("/dev/null", flags | O_CLOEXEC);
}

}  // namespace

int runTool(const std::vector<std::string>& args) {
  const int in = openNull(O_RDONLY), out = openNull(O_WRONLY);
  platform::ChildProcess child;
  const int error = child.start(args.front(), args, in, out, out);
  ::close(in);
  ::close(out);
  if (error != 0) return -1;
  const platform::ChildExit exit = child.reap();
  return exit.exited ? exit.code : -1;
}

std::string captureTool(const std::vector<std::string>& args) {
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
  const int in = openNull(O_RDONLY), err = openNull(O_WRONLY);
  platform::ChildProcess child;
  const int error = child.start(args.front(), args, in, ends[1], err);
  ::close(in);
  ::close(err);
  ::close(ends[1]);
  std::string text;
  char buffer[4096];
  ssize_t got;
  while (error == 0 && (got = ::read(ends[0], buffer, sizeof buffer)) > 0) text.append(buffer, got);
  ::close(ends[0]);
  child.reap();
  return text;
}

void makeVideo(const std::string& path, int seconds) {
  const std::string d = std::to_string(seconds);
  const int code = runTool({"ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i",
                            "testsrc=duration=" + d + ":size=160x120:rate=15", "-f", "lavfi", "-i",
                            "sine=frequency=440:duration=" + d, "-c:v", "flv", "-c:a", "libmp3lame", "-ar",
                            "44100", path});
  if (code != 0) throw std::runtime_error("could not make the test video " + path);
}

void makeMedia(const std::vector<std::string>& args, const std::string& output) {
  std::vector<std::string> words{"ffmpeg", "-v", "error", "-y"};
  words.insert(words.end(), args.begin(), args.end());
  words.push_back(output);
  if (runTool(words) != 0) throw std::runtime_error("could not make the test file " + output);
}

std::vector<std::string> audioPackets(const std::string& path) {
  const std::string text = captureTool(
      {"ffmpeg", "-v", "error", "-i", path, "-map", "0:a:0", "-c", "copy", "-f", "framemd5", "-"});
  std::vector<std::string> packets;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    start = end + 1;
    if (line.empty() || line[0] == '#') continue;
    // "stream, dts, pts, duration, size, hash[, side data...]": the size and the hash.
    std::vector<std::string> fields;
    std::size_t from = 0;
    while (fields.size() < 6) {
      const std::size_t comma = line.find(',', from);
      fields.push_back(line.substr(from, comma == std::string::npos ? std::string::npos : comma - from));
      if (comma == std::string::npos) break;
      from = comma + 1;
    }
    if (fields.size() == 6) packets.push_back(fields[4] + "," + fields[5]);
  }
  return packets;
}

std::string probeStream(const std::string& path, const std::string& field) {
  std::string value = captureTool({"ffprobe", "-v", "error", "-select_streams", "a:0", "-show_entries",
                                   "stream=" + field, "-of", "default=noprint_wrappers=1:nokey=1", path});
  while (!value.empty() && (value.back() == '\n' || value.back() == '\r')) value.pop_back();
  return value;
}

std::string probeTag(const std::string& path, const std::string& tag) {
  std::string value = captureTool({"ffprobe", "-v", "error", "-show_entries", "format_tags=" + tag, "-of",
                                   "default=noprint_wrappers=1:nokey=1", path});
  while (!value.empty() && (value.back() == '\n' || value.back() == '\r')) value.pop_back();
  return value;
}

int countOpenFds() {
  int count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++count;
  return count;
}

int countThreads() {
  int count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/task")) ++count;
  return count;
}

RecordCollector::RecordCollector()
    : mailbox_([this](convert::ConvertProgress& info) {
        records_.push_back(info);
        if (hook_) hook_(info);
      }) {}

std::vector<int> RecordCollector::progressPercents() const {
  std::vector<int> percents;
  for (const convert::ConvertProgress& r : records_) {
    if (r.elapsed.empty()) break;
    percents.push_back(r.percent);
  }
  return percents;
}

bool RecordCollector::hasEnd() const {
  for (const convert::ConvertProgress& r : records_) {
    if (r.elapsed.empty()) return true;
  }
  return false;
}

const convert::ConvertProgress& RecordCollector::end() const {
  for (const convert::ConvertProgress& r : records_) {
    if (r.elapsed.empty()) return r;
  }
  throw std::logic_error("no end record");
}

bool RecordCollector::waitForEnd(int seconds) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (!hasEnd() && std::chrono::steady_clock::now() < until) testing_support::pumpEvents(50);
  return hasEnd();
}

bool RecordCollector::waitForProgress(int seconds) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (progressPercents().empty() && std::chrono::steady_clock::now() < until)
    testing_support::pumpEvents(50);
  return !progressPercents().empty();
}

void RecordCollector::pump(int ms) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < until) testing_support::pumpEvents(20);
}

}  // namespace convert_test

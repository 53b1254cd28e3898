// Helpers of the conversion tests: running the real ffmpeg and ffprobe, making test videos with
// lavfi sources, and collecting the records that the conversion posts.
#pragma once

#include "convert/ConvertProgress.h"
#include "platform/Messages.h"

#include <functional>
#include <string>
#include <vector>

namespace convert_test {

// The program's five output formats: argument fragment and extension, as the format table has them.
struct Format {
  const char* args;
  const char* ext;
};
extern const Format kFormats[5];

// Runs a tool with its output thrown away; its exit code (-1 when it could not be started).
int runTool(const std::vector<std::string>& args);
// Runs a tool and returns what it wrote to standard output.
std::string captureTool(const std::vector<std::string>& args);

// A short FLV video with a 440 Hz tone, `seconds` long.
void makeVideo(const std::string& path, int seconds);

// Runs ffmpeg ("-v error -y" first) with `args` followed by `output`; throws when it fails.
void makeMedia(const std::vector<std::string>& args, const std::string& output);

// The size and checksum of every packet of the first audio stream, as ffmpeg's framemd5 gives them (the
// timestamps left out, which differ between containers).
std::vector<std::string> audioPackets(const std::string& path);

// One field of an audio file's first stream, as ffprobe reports it ("codec_name", "channels", ...).
std::string probeStream(const std::string& path, const std::string& field);

// One tag of an audio file ("title", "comment", ...), as ffprobe reads it from the file's own tags.
std::string probeTag(const std::string& path, const std::string& tag);

int countOpenFds();
int countThreads();

// The records posted to one mailbox.
class RecordCollector {
 public:
  RecordCollector();
  platform::MailboxRef<convert::ConvertProgress> mailbox() const { return mailbox_.ref(); }
  const std::vector<convert::ConvertProgress>& records() const { return records_; }
  std::vector<int> progressPercents() const;    // of the records before the end record
  bool hasEnd() const;                          // an end record (no time texts) has arrived
  const convert::ConvertProgress& end() const;  // the first end record
  // Pumps messages until an end record arrives or `seconds` pass; true when it arrived.
  bool waitForEnd(int seconds = 30);
  // Pumps messages until a progress record arrives or `seconds` pass.
  bool waitForProgress(int seconds = 30);
  // Pumps messages for `ms` milliseconds.
  void pump(int ms);
  // Called for each record as it is handled.
  void onRecord(std::function<void(const convert::ConvertProgress&)> hook) { hook_ = std::move(hook); }

 private:
  std::vector<convert::ConvertProgress> records_;
  std::function<void(const convert::ConvertProgress&)> hook_;
  platform::Mailbox<convert::ConvertProgress> mailbox_;
};

}  // namespace convert_test

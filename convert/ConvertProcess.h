// The conversion object: runs the converter "ffmpeg" as a child process whose standard input,
// output and error are pipes, watches it with a ConvertWatcher, and reports progress and the end of
// the run to the window in notifyTarget by posting ConvertProgress records.
//
// Everything here runs on the thread that created the object (the main thread). run() raises
// ConvertError when the converter cannot be started; the end of a run is always a record:
// Status::Ok (output written, or the user kept the existing file), Status::Failed (with the converter's
// error line, or the signal that ended it) or Status::InUse.
//
// A run may be fed: the converter then reads its input from its standard input ("pipe:0"), which the
// program writes as the video's bytes arrive (writeInput) and closes once the video is whole (closeInput).
// The writes never block: a full pipe takes nothing, and inputWritable is called once it has room again, so
// the converter's pace holds the writer back without any buffer of its own here.
//
// The converter writes a temporary file beside outputFile, which takes the output's name only once
// the converter has ended well: a failed or stopped run leaves no output, and an older file that the
// user agreed to replace is replaced by a finished one only. The converter gets no terminal input:
// "-nostdin", and a standard input that is empty and at its end (or the video, when fed), so nothing it might
// ask can block.
#pragma once

#include "convert/ConvertProgress.h"
#include "convert/ConvertWatcher.h"
#include "convert/ConverterCommand.h"
#include "convert/OutputParser.h"
#include "platform/ChildProcess.h"
#include "platform/Messages.h"

#include <QSocketNotifier>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace common {
class FrontEnd;
}

namespace convert {

class ConvertProcess {
 public:
  ConvertProcess();
  ~ConvertProcess();  // a run still going is stopped as by kill()
  ConvertProcess(const ConvertProcess&) = delete;
  ConvertProcess& operator=(const ConvertProcess&) = delete;

  // Filled in by the download window before each run.
  bool active = false;  // a run was started from the window and not killed; cleared only by kill()
  platform::MailboxRef<ConvertProgress> notifyTarget;
  std::string inputFile;   // full path of the video
  std::string outputFile;  // full path of the audio file to write
  std::string arguments;   // the format's argument fragment, ending with a blank
  // For an input read over the network (an HLS or DASH playlist): the length the resolver gave, its options
  // being in `extraWords.beforeInput`. A run that reports a segment it could not fetch, or whose output stays
  // more than kShortOutputSeconds shorter than that length, has failed even when the converter ends well. 0
  // for a file.
  double expectedDurationSeconds = 0;
  static constexpr std::int64_t kShortOutputSeconds = 2;
  ExtraWords extraWords;  // a part of the input to take, a filter, a network input's options
  // Whether an existing outputFile is asked about; when not, it is replaced (the question was asked for it
  // before: a folder of chapter files is asked about once).
  bool askBeforeReplacing = true;
  // Asked about an existing outputFile instead of common::frontEnd() when set: a queued job answers by
  // itself, without a box.
  common::FrontEnd* frontEnd = nullptr;
  // The converter reads its input from its standard input, written with writeInput(); inputFile is then
  // only the name shown for it.
  bool feedInput = false;
  // Called (from the event loop) when the input pipe, found full by writeInput(), has room again.
  std::function<void()> inputWritable;

  // Asks before replacing an existing outputFile (unless askBeforeReplacing is off), then starts the
  // converter and its watcher.
  void run();
  // Stops a run at once: the converter is ended and reaped, the watcher stopped, the pipes closed.
  // Does nothing unless active. Nothing is posted. The exit code cannot be imposed on Linux.
  void kill(int exitCode);

  // Of a fed run: writes at most `len` bytes of the input without blocking. The count taken; 0 when the
  // pipe is full (inputWritable follows once it has room); -1 when the converter reads no more (it ended,
  // or closed its input) or the run is not fed.
  std::int64_t writeInput(const char* data, std::size_t len);
  // The input is complete: the converter reads its end.
  void closeInput();
  bool inputOpen() const { return stdinWrite_ >= 0; }
  // Bytes the pipe holds at most while the converter is slower than the writer.
  static constexpr int kInputPipeBytes = 1024 * 1024;

  // Turns one chunk of the converter's output into progress records.
  void parseOutput(std::string_view chunk);

  const std::string& commandLine() const { return commandLine_; }  // of the last run started
  // The file the converter of the current run writes, renamed to outputFile once it has ended well;
  // empty when no run is going.
  const std::string& partialFile() const { return partialFile_; }
  pid_t processId() const { return child_.pid(); }  // 0 when no converter runs
  std::int64_t duration() const { return durationSeconds_; }

 private:
  friend class ConvertWatcher;
  class OutputReader;

  void readStdout();
  void readStderr();
  void readPipe(int fd, const char* errorPrefix);
  void finish();
  void postEnd(ConvertProgress::Status status, std::string message = {});
  void createPipes();
  void closePipes();
  void prepareInputPipe();
  void closeChildEnds();
  void stopRun();
  void removePartialFile();
  void onWatcherCall(const ConvertWatcher::Call& call);
  std::string failureOfRun(const platform::ChildExit& exit) const;

  int stdinRead_ = -1, stdinWrite_ = -1;
  int stdoutRead_ = -1, stdoutWrite_ = -1;
  int stderrRead_ = -1, stderrWrite_ = -1;
  std::uint32_t bytesAvailable_ = 0;
  platform::ChildProcess child_;
  std::unique_ptr<ConvertWatcher> watcher_;
  std::chrono::steady_clock::time_point startTime_;
  std::int64_t durationSeconds_ = 0;

  std::string commandLine_;
  std::string partialFile_;
  OutputLines output_;
  std::string lastErrorLine_;      // the converter's last line that was not a status line
  std::string segmentFailure_;     // the converter's first line about a segment it could not fetch
  std::int64_t lastPosition_ = 0;  // the position of the last "time=" line, in seconds
  std::vector<char> readBuffer_;
  std::unique_ptr<QSocketNotifier> inputNotifier_;      // the fed input's room, while it is awaited
  platform::Mailbox<ConvertWatcher::Call> mainThread_;  // receives the watcher's calls
};

// The program's one conversion object, created and destroyed by the main window.
extern ConvertProcess* convertProcess;
void createConvertProcess();
void destroyConvertProcess();  // stops a run still going

}  // namespace convert

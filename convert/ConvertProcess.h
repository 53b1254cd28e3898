// The conversion object: runs the converter "ffmpeg" as a child process whose standard input,
// output and error are pipes, watches it with a ConvertWatcher, and reports progress and the end of
// the run to the window in notifyTarget with ConvertMessage::Progress and a ConvertProgress record.
//
// Everything here runs on the thread that created the object (the main thread). Run raises
// ConvertError when the converter cannot be started; the end of a run is always a record:
// Status::Ok (output written, or the user kept the existing file), Status::Failed (with the converter's
// error line) or Status::InUse.
#pragma once

#include "convert/ConvertProgress.h"
#include "platform/ChildProcess.h"
#include "platform/Messages.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class ConvertWatcher;

class ConvertProcess {
 public:
  ConvertProcess();
  ~ConvertProcess();  // a run still going is stopped as by Kill
  ConvertProcess(const ConvertProcess&) = delete;
  ConvertProcess& operator=(const ConvertProcess&) = delete;

  // Filled in by the download window before each run.
  bool Active = false;  // a run was started from the window and not killed; cleared only by Kill
  platform::TargetHandle notifyTarget = platform::kNoTarget;
  std::string InputFile;   // full path of the video
  std::string OutputFile;  // full path of the audio file to write
  std::string Arguments;   // the format's argument fragment, ending with a blank

  // Asks before replacing an existing OutputFile, then starts the converter and its watcher.
  void Run();
  // Stops a run at once: the converter is ended and reaped, the watcher stopped, the pipes closed.
  // Does nothing unless Active. Nothing is posted. The exit code cannot be imposed on Linux.
  void Kill(int exitCode);

  // Turns one chunk of the converter's output into progress records.
  void ParseOutput(std::string_view chunk);

  const std::string& CommandLine() const { return commandLine_; }  // of the last run started
  pid_t ProcessId() const { return child_.pid(); }                 // 0 when no converter runs
  std::int64_t Duration() const { return DurationSeconds; }

 private:
  friend class ConvertWatcher;
  class OutputReader;

  void ReadStdout();
  void ReadStderr();
  void ReadPipe(int fd, const char* errorPrefix);
  void Finish();
  void PostEnd(ConvertProgress::Status status, std::string message = {});
  void CreatePipes();
  void ClosePipes();
  void CloseChildEnds();
  void StopRun();
  void OnWatcherCall(platform::Message& msg);
  std::string FailureOfRun(const platform::ChildExit& exit) const;

  int StdinRead = -1, StdinWrite = -1;
  int StdoutRead = -1, StdoutWrite = -1;
  int StderrRead = -1, StderrWrite = -1;
  std::uint32_t BytesAvailable = 0;
  platform::ChildProcess child_;
  std::unique_ptr<ConvertWatcher> watcher_;
  std::chrono::steady_clock::time_point StartTime;
  std::int64_t DurationSeconds = 0;

  std::string commandLine_;
  std::string lastErrorLine_;  // the converter's last line that was not a status line
  std::vector<char> readBuffer_;
  platform::FunctionTarget mainThread_;  // receives the watcher's calls
};

// The program's one conversion object, created and destroyed by the main window.
extern ConvertProcess* convertProcess;
void CreateConvertProcess();
void DestroyConvertProcess();  // stops a run still going

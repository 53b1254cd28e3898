#include "convert/ConvertProcess.h"

#include "common/Global.h"
#include "convert/ConvertError.h"
#include "convert/ConvertMessages.h"
#include "convert/ConvertWatcher.h"
#include "convert/ConverterCommand.h"
#include "convert/OutputParser.h"
#include "platform/Dialogs.h"
#include "platform/Paths.h"
#include "resources/Strings.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>

ConvertProcess* convertProcess = nullptr;

void CreateConvertProcess() {
  if (convertProcess == nullptr) convertProcess = new ConvertProcess;
}

void DestroyConvertProcess() {
  delete convertProcess;
  convertProcess = nullptr;
}

namespace {

constexpr std::size_t kMaxErrorLine = 300;

// A line fit to show the user: control characters become blanks, and it is cut to a length (not
// inside a UTF-8 sequence).
std::string Printable(std::string_view line) {
  std::string text(line.substr(0, kMaxErrorLine));
  if (line.size() > kMaxErrorLine) {
    while (!text.empty() && (static_cast<unsigned char>(text.back()) & 0xC0) == 0x80) text.pop_back();
    if (!text.empty() && static_cast<unsigned char>(text.back()) >= 0xC0) text.pop_back();
  }
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < ' ' || c == 0x7F) c = ' ';
  }
  return text;
}

// The converter's closing words after an error, which say less than the line before them.
bool IsTrailer(std::string_view line) {
  const std::string_view cut = "--";
  return line == "Conversion failed!" ||
         (line.size() >= cut.size() && line.substr(line.size() - cut.size()) == cut);
}

bool HasContent(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0;
}

void CloseHandle(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

}  // namespace

// Applies the parsed lines of a chunk to the conversion: duration, position, error line.
class ConvertProcess::OutputReader final : public convert::OutputSink {
 public:
  explicit OutputReader(ConvertProcess& process) : p_(process) {}

  void OnLine(std::string_view line) override {
    if (!convert::IsStatusLine(line) && !IsTrailer(line)) p_.lastErrorLine_ = Printable(line);
  }

  void OnDuration(std::int64_t seconds) override {
    p_.DurationSeconds = seconds;
    p_.StartTime = std::chrono::steady_clock::now();
  }

  void OnPosition(std::int64_t position) override {
    if (position <= 0 || p_.DurationSeconds <= 0) return;
    const std::int64_t percent = position * 100 / p_.DurationSeconds;
    if (percent < 1 || percent > 100) return;
    // 100 is left to the end record, posted once the converter has ended and its file is complete:
    // the window closes at 100, and a close would kill a converter still writing the file's end.
    const std::int64_t shown = std::min<std::int64_t>(percent, 99);
    const std::chrono::duration<double> since = std::chrono::steady_clock::now() - p_.StartTime;
    const std::int64_t elapsed = std::llround(since.count());
    const std::int64_t estimated =
        std::llround(static_cast<double>(elapsed * 100) / static_cast<double>(percent));
    auto info = std::make_shared<ConvertProgress>();
    info->percent = static_cast<std::int32_t>(shown);
    info->elapsed = convert::FormatMinutesSeconds(elapsed);
    info->estimated = convert::FormatMinutesSeconds(estimated);
    platform::PostMessage(p_.notifyTarget, ConvertMessage::Progress, 0, 0, std::move(info));
  }

 private:
  ConvertProcess& p_;
};

ConvertProcess::ConvertProcess() : mainThread_([this](platform::Message& msg) { OnWatcherCall(msg); }) {}

ConvertProcess::~ConvertProcess() {
  Active = false;
  StopRun();
}

void ConvertProcess::Run() {
  StopRun();  // a run still going is stopped before the next one
  commandLine_.clear();
  lastErrorLine_.clear();
  bool overwrite = false;
  if (platform::FileExists(OutputFile)) {
    const int answer = platform::CurrentDialogs().MessageBox(
        resources::loadString(resources::StringId::Title),
        OutputFile + resources::loadString(resources::StringId::Overwrite), platform::DialogIcon::Information,
        platform::DialogButtons::YesNo);
    if (answer != platform::ModalResult::Yes) {
      PostEnd(ConvertProgress::Status::Ok);
      return;
    }
    if (common::IsFileInUse(OutputFile)) {
      PostEnd(ConvertProgress::Status::InUse);
      return;
    }
    overwrite = true;
  }
  CreatePipes();
  const convert::ConverterCommand command =
      convert::MakeConverterCommand(InputFile, OutputFile, Arguments, overwrite);
  commandLine_ = command.Text;
  DurationSeconds = 0;
  const std::string program = platform::FindProgram("ffmpeg", platform::ExecutableDir());
  const int error = child_.Start(program, command.Words, StdinRead, StdoutWrite, StderrWrite);
  if (error != 0) {
    ClosePipes();
    throw ConvertError(resources::loadString(resources::StringId::ConvertProcessError) +
                       std::to_string(error));
  }
  CloseChildEnds();
  try {
    watcher_ = std::make_unique<ConvertWatcher>(*this);
  } catch (const std::exception&) {
    StopRun();
    throw ConvertError(resources::loadString(resources::StringId::ConvertProcessError) +
                       std::to_string(EAGAIN));
  }
}

void ConvertProcess::Kill(int /*exitCode*/) {
  if (!Active) return;
  Active = false;
  StopRun();
}

void ConvertProcess::StopRun() {
  if (watcher_ != nullptr) watcher_->Terminate();
  child_.Kill();
  watcher_.reset();  // the watcher wakes at the child's end or from its pending call
  ClosePipes();
  child_.Reap();
}

void ConvertProcess::Finish() {
  watcher_.reset();
  ClosePipes();
  const platform::ChildExit exit = child_.Reap();
  std::string failure = FailureOfRun(exit);
  const ConvertProgress::Status status =
      failure.empty() ? ConvertProgress::Status::Ok : ConvertProgress::Status::Failed;
  PostEnd(status, std::move(failure));
}

// Why the run failed, or empty when the converter ended well and left its output file.
std::string ConvertProcess::FailureOfRun(const platform::ChildExit& exit) const {
  if (exit.Exited && exit.Code == 0) {
    return HasContent(OutputFile) ? std::string() : "The converter left no output file.";
  }
  if (!lastErrorLine_.empty()) return lastErrorLine_;
  return exit.Exited ? "The converter ended with exit code " + std::to_string(exit.Code) + "."
                     : "The converter was ended by signal " + std::to_string(exit.Code) + ".";
}

void ConvertProcess::PostEnd(ConvertProgress::Status status, std::string message) {
  auto info = std::make_shared<ConvertProgress>();
  info->percent = 100;
  info->status = status;
  info->message = std::move(message);
  platform::PostMessage(notifyTarget, ConvertMessage::Progress, 0, 0, std::move(info));
}

void ConvertProcess::OnWatcherCall(platform::Message& msg) {
  if (msg.id != ConvertWatcher::kCallMessage) return;
  ConvertWatcher::Serve(msg, [this](ConvertWatcher::Action action, std::uint32_t bytes) {
    BytesAvailable = bytes;
    try {
      if (action == ConvertWatcher::ReadStdout) ReadStdout();
      if (action == ConvertWatcher::ReadStderr) ReadStderr();
      if (action == ConvertWatcher::Finish) Finish();
    } catch (const ConvertError&) {
      // A failed read ends the watcher; nothing is shown, the converter runs on until Kill.
    }
  });
}

void ConvertProcess::ReadStdout() {
  ReadPipe(StdoutRead, "Error reading STDOUT pipe : ");
}
void ConvertProcess::ReadStderr() {
  ReadPipe(StderrRead, "Error reading STDERR pipe : ");
}

void ConvertProcess::ReadPipe(int fd, const char* errorPrefix) {
  readBuffer_.resize(BytesAvailable);
  ssize_t got;
  do got = ::read(fd, readBuffer_.data(), readBuffer_.size());
  while (got < 0 && errno == EINTR);
  if (got < 0) {
    const int error = errno;
    watcher_.reset();
    throw ConvertError(errorPrefix + std::to_string(error));
  }
  ParseOutput(std::string_view(readBuffer_.data(), static_cast<std::size_t>(got)));
}

void ConvertProcess::ParseOutput(std::string_view chunk) {
  OutputReader reader(*this);
  convert::ParseOutputChunk(chunk, reader);
}

// Each pipe is made close-on-exec; the child's end is then moved to a descriptor above 2, so that
// setting up the child's standard handles cannot overwrite one end with another.
void ConvertProcess::CreatePipes() {
  struct Step {
    int* read;
    int* write;
    int* childEnd;
    const char* createError;
    const char* duplicateError;
  };
  const Step steps[] = {
      {&StdinRead, &StdinWrite, &StdinRead,
       "Error on STDIN pipe creation : ", "Error on STDIN pipe duplication : "},
      {&StdoutRead, &StdoutWrite, &StdoutWrite,
       "Error on STDOUT pipe creation : ", "Error on STDOUT pipe duplication : "},
      {&StderrRead, &StderrWrite, &StderrWrite,
       "Error on STDERR pipe creation : ", "Error on STDERR pipe duplication : "},
  };
  for (const Step& step : steps) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
      const int error = errno;
      ClosePipes();
      throw ConvertError(step.createError + std::to_string(error));
    }
    *step.read = ends[0];
    *step.write = ends[1];
    const int moved = ::fcntl(*step.childEnd, F_DUPFD_CLOEXEC, 3);
    if (moved < 0) {
      const int error = errno;
      ClosePipes();
      throw ConvertError(step.duplicateError + std::to_string(error));
    }
    ::close(*step.childEnd);
    *step.childEnd = moved;
  }
}

void ConvertProcess::ClosePipes() {
  for (int* fd : {&StdinRead, &StdinWrite, &StdoutRead, &StdoutWrite, &StderrRead, &StderrWrite})
    CloseHandle(*fd);
}

// The child has its own copies of these; ours would only keep the pipes from ending.
void ConvertProcess::CloseChildEnds() {
  CloseHandle(StdinRead);
  CloseHandle(StdoutWrite);
  CloseHandle(StderrWrite);
}

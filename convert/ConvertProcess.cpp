#include "convert/ConvertProcess.h"

#include "common/Files.h"
#include "common/FrontEnd.h"
#include "common/Text.h"
#include "convert/ConvertError.h"
#include "convert/ConvertWatcher.h"
#include "convert/ConverterCommand.h"
#include "convert/OutputParser.h"
#include "platform/Paths.h"
#include "resources/Strings.h"
#include "resources/Translations.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace convert {

ConvertProcess* convertProcess = nullptr;

namespace {

// Removes the hidden temporary outputs that earlier runs for the same audio file left behind (a run killed
// with the program cannot remove its own): the regular files named as `partial` is, but for its random
// token, that no process holds open.
void removeLeftPartials(const std::string& partial) {
  namespace fs = std::filesystem;
  constexpr std::size_t kTokenSize = 6;
  const fs::path path(partial);
  const std::string name = path.filename().string();
  const std::string ext = path.extension().string();
  if (name.size() < ext.size() + kTokenSize) return;
  const std::string prefix = name.substr(0, name.size() - ext.size() - kTokenSize);
  std::error_code error;
  for (fs::directory_iterator it(path.parent_path(), error), end; !error && it != end; it.increment(error)) {
    const std::string other = it->path().filename().string();
    if (other.size() != name.size() || other.compare(0, prefix.size(), prefix) != 0 || !other.ends_with(ext))
      continue;
    const std::string token = other.substr(prefix.size(), kTokenSize);
    if (!std::all_of(token.begin(), token.end(),
                     [](char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); }))
      continue;
    std::error_code statusError;
    if (!fs::is_regular_file(fs::symlink_status(it->path(), statusError))) continue;
    if (common::isFileInUse(it->path().string())) continue;
    ::unlink(it->path().c_str());
  }
}

}  // namespace

void createConvertProcess() {
  if (convertProcess == nullptr) convertProcess = new ConvertProcess;
}

void destroyConvertProcess() {
  delete convertProcess;
  convertProcess = nullptr;
}

namespace {

constexpr std::size_t kMaxErrorLine = 300;
constexpr const char* kPipeInput = "pipe:0";  // the converter's name for its standard input

// A line fit to show the user: control characters become blanks, and it is cut to a length (not
// inside a UTF-8 sequence).
std::string printable(std::string_view line) {
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
bool isTrailer(std::string_view line) {
  const std::string_view cut = "--";
  return line == "Conversion failed!" ||
         (line.size() >= cut.size() && line.substr(line.size() - cut.size()) == cut);
}

bool hasContent(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0;
}

void closeHandle(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

// "SIGKILL (Killed)", or the number when the system has no name for it.
std::string signalName(int number) {
  const char* abbreviation = ::sigabbrev_np(number);
  if (abbreviation == nullptr) return "number " + std::to_string(number);
  return std::string("SIG") + abbreviation + " (" + ::strsignal(number) + ")";
}

}  // namespace

// Applies the parsed lines of a chunk to the conversion: duration, position, error line.
class ConvertProcess::OutputReader final : public OutputSink {
 public:
  explicit OutputReader(ConvertProcess& process) : p_(process) {}

  void onLine(std::string_view line) override {
    if (!isStatusLine(line) && !isTrailer(line)) p_.lastErrorLine_ = printable(line);
    // A playlist's reader skips a segment it cannot fetch, says so, and goes on to end well.
    if (p_.segmentFailure_.empty() && (line.find("Failed to open segment") != std::string_view::npos ||
                                       line.find("Failed to open fragment") != std::string_view::npos))
      p_.segmentFailure_ = printable(line);
  }

  void onDuration(std::int64_t seconds) override {
    // The resolver's length counts over the converter's reading of a playlist.
    if (p_.expectedDurationSeconds > 0) return;
    p_.durationSeconds_ = seconds;
    p_.startTime_ = std::chrono::steady_clock::now();
  }

  void onPosition(std::int64_t position) override {
    if (position > 0) p_.lastPosition_ = position;
    if (position <= 0 || p_.durationSeconds_ <= 0) return;
    const std::int64_t percent = position * 100 / p_.durationSeconds_;
    if (percent < 1 || percent > 100) return;
    // 100 is left to the end record, posted once the converter has ended and its file is complete:
    // the window closes at 100, and a close would kill a converter still writing the file's end.
    const std::int64_t shown = std::min<std::int64_t>(percent, 99);
    const std::chrono::duration<double> since = std::chrono::steady_clock::now() - p_.startTime_;
    const std::int64_t elapsed = std::llround(since.count());
    const std::int64_t estimated =
        std::llround(static_cast<double>(elapsed * 100) / static_cast<double>(percent));
    p_.notifyTarget.post(ConvertProgress{.percent = static_cast<std::int32_t>(shown),
                                         .elapsed = formatMinutesSeconds(elapsed),
                                         .estimated = formatMinutesSeconds(estimated)});
  }

 private:
  ConvertProcess& p_;
};

ConvertProcess::ConvertProcess() : mainThread_([this](ConvertWatcher::Call& call) { onWatcherCall(call); }) {}

ConvertProcess::~ConvertProcess() {
  active = false;
  stopRun();
}

void ConvertProcess::run() {
  stopRun();  // a run still going is stopped before the next one
  commandLine_.clear();
  lastErrorLine_.clear();
  bool overwrite = false;
  if (platform::fileExists(outputFile)) {
    common::FrontEnd& asked = frontEnd != nullptr ? *frontEnd : common::frontEnd();
    if (askBeforeReplacing && !asked.confirmOverwrite(outputFile)) {
      postEnd(ConvertProgress::Status::Ok);
      return;
    }
    if (common::isFileInUse(outputFile)) {
      postEnd(ConvertProgress::Status::InUse);
      return;
    }
    overwrite = true;
  }
  createPipes();
  if (feedInput) {
    prepareInputPipe();
  } else {
    // Nothing is written to the converter's input: with our end closed it reads an empty input.
    closeHandle(stdinWrite_);
  }
  partialFile_ = partialOutputName(outputFile);
  removeLeftPartials(partialFile_);
  const ConverterCommand command = makeConverterCommand(feedInput ? std::string(kPipeInput) : inputFile,
                                                        partialFile_, arguments, overwrite, extraWords);
  commandLine_ = command.text;
  durationSeconds_ = 0;
  segmentFailure_.clear();
  lastPosition_ = 0;
  if (expectedDurationSeconds > 0) {
    durationSeconds_ = std::max<std::int64_t>(1, std::llround(expectedDurationSeconds));
    startTime_ = std::chrono::steady_clock::now();
  }
  output_.clear();
  const std::string program = platform::findProgram("ffmpeg", platform::executableDir());
  const int error = child_.start(program, command.words, stdinRead_, stdoutWrite_, stderrWrite_);
  if (error != 0) {
    closePipes();
    partialFile_.clear();
    throw ConvertError(resources::loadString(resources::StringId::ConvertProcessError) +
                       std::to_string(error));
  }
  closeChildEnds();
  try {
    watcher_ = std::make_unique<ConvertWatcher>(*this);
  } catch (const std::exception&) {
    stopRun();
    throw ConvertError(resources::loadString(resources::StringId::ConvertProcessError) +
                       std::to_string(EAGAIN));
  }
}

void ConvertProcess::kill(int /*exitCode*/) {
  if (!active) return;
  active = false;
  stopRun();
}

void ConvertProcess::stopRun() {
  if (watcher_ != nullptr) watcher_->terminate();
  child_.kill();
  watcher_.reset();  // the watcher wakes at the child's end or from its pending call
  closePipes();
  child_.reap();
  removePartialFile();
}

void ConvertProcess::removePartialFile() {
  if (!partialFile_.empty()) ::unlink(partialFile_.c_str());
  partialFile_.clear();
}

void ConvertProcess::finish() {
  watcher_.reset();
  closePipes();
  const platform::ChildExit exit = child_.reap();
  OutputReader reader(*this);
  output_.flush(reader);  // a last line without a line end
  std::string failure = failureOfRun(exit);
  // The finished file takes the output's name (replacing an older one in one step); anything else
  // goes with the temporary name.
  if (failure.empty() && ::rename(partialFile_.c_str(), outputFile.c_str()) != 0) {
    const std::string cause = std::strerror(errno);  // before anything else may set errno
    failure = common::fillIn(
        resources::translate("ConvertProcess", "The converted file could not be saved as %1: %2"),
        {outputFile, cause});
  }
  if (failure.empty()) partialFile_.clear();
  removePartialFile();
  const ConvertProgress::Status status =
      failure.empty() ? ConvertProgress::Status::Ok : ConvertProgress::Status::Failed;
  postEnd(status, std::move(failure));
}

// Why the run failed, or empty when the converter ended well and left its output file.
std::string ConvertProcess::failureOfRun(const platform::ChildExit& exit) const {
  if (!exit.exited)
    return common::fillIn(resources::translate("ConvertProcess", "The converter was ended by signal %1."),
                          {signalName(exit.code)});
  if (exit.code == 0 && !segmentFailure_.empty())
    return common::fillIn(
        resources::translate("ConvertProcess", "A segment of the stream could not be fetched: %1"),
        {segmentFailure_});
  if (exit.code == 0 && expectedDurationSeconds > 0 &&
      lastPosition_ + kShortOutputSeconds < std::llround(expectedDurationSeconds))
    return common::fillIn(
        resources::translate("ConvertProcess", "The stream ended early: %1 of %2 seconds were converted."),
        {std::to_string(lastPosition_), std::to_string(std::llround(expectedDurationSeconds))});
  if (exit.code == 0)
    return hasContent(partialFile_)
               ? std::string()
               : resources::translate("ConvertProcess", "The converter left no output file.");
  if (!lastErrorLine_.empty()) return lastErrorLine_;
  return common::fillIn(resources::translate("ConvertProcess", "The converter ended with exit code %1."),
                        {std::to_string(exit.code)});
}

void ConvertProcess::postEnd(ConvertProgress::Status status, std::string message) {
  notifyTarget.post(ConvertProgress{.percent = 100, .status = status, .message = std::move(message)});
}

void ConvertProcess::onWatcherCall(const ConvertWatcher::Call& call) {
  ConvertWatcher::serve(call, [this](ConvertWatcher::Action action, std::uint32_t bytes) {
    bytesAvailable_ = bytes;
    try {
      if (action == ConvertWatcher::Action::ReadStdout) readStdout();
      if (action == ConvertWatcher::Action::ReadStderr) readStderr();
      if (action == ConvertWatcher::Action::Finish) finish();
    } catch (const ConvertError&) {
      // A failed read ends the watcher; nothing is shown, the converter runs on until kill().
    }
  });
}

void ConvertProcess::readStdout() {
  readPipe(stdoutRead_, "Error reading STDOUT pipe : ");
}
void ConvertProcess::readStderr() {
  readPipe(stderrRead_, "Error reading STDERR pipe : ");
}

void ConvertProcess::readPipe(int fd, const char* errorPrefix) {
  readBuffer_.resize(bytesAvailable_);
  ssize_t got;
  do got = ::read(fd, readBuffer_.data(), readBuffer_.size());
  while (got < 0 && errno == EINTR);
  if (got < 0) {
    const int error = errno;
    watcher_.reset();
    throw ConvertError(errorPrefix + std::to_string(error));
  }
  parseOutput(std::string_view(readBuffer_.data(), static_cast<std::size_t>(got)));
}

void ConvertProcess::parseOutput(std::string_view chunk) {
  OutputReader reader(*this);
  output_.feed(chunk, reader);
}

// Each pipe is made close-on-exec; the child's end is then moved to a descriptor above 2, so that
// setting up the child's standard handles cannot overwrite one end with another.
void ConvertProcess::createPipes() {
  struct Step {
    int* read;
    int* write;
    int* childEnd;
    const char* createError;
    const char* duplicateError;
  };
  const Step steps[] = {
      {&stdinRead_, &stdinWrite_, &stdinRead_,
       "Error on STDIN pipe creation : ", "Error on STDIN pipe duplication : "},
      {&stdoutRead_, &stdoutWrite_, &stdoutWrite_,
       "Error on STDOUT pipe creation : ", "Error on STDOUT pipe duplication : "},
      {&stderrRead_, &stderrWrite_, &stderrWrite_,
       "Error on STDERR pipe creation : ", "Error on STDERR pipe duplication : "},
  };
  for (const Step& step : steps) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
      const int error = errno;
      closePipes();
      throw ConvertError(step.createError + std::to_string(error));
    }
    *step.read = ends[0];
    *step.write = ends[1];
    const int moved = ::fcntl(*step.childEnd, F_DUPFD_CLOEXEC, 3);
    if (moved < 0) {
      const int error = errno;
      closePipes();
      throw ConvertError(step.duplicateError + std::to_string(error));
    }
    ::close(*step.childEnd);
    *step.childEnd = moved;
  }
}

// The writer's end never blocks; the pipe is made large, so a fast download rarely waits for room.
void ConvertProcess::prepareInputPipe() {
  const int flags = ::fcntl(stdinWrite_, F_GETFL);
  if (flags >= 0) ::fcntl(stdinWrite_, F_SETFL, flags | O_NONBLOCK);
  ::fcntl(stdinWrite_, F_SETPIPE_SZ, kInputPipeBytes);  // the system's smaller default serves too
}

namespace {

// One write to a pipe whose reader may have gone: the write fails with EPIPE instead of raising SIGPIPE. The
// signal is held back for this thread during the write and a SIGPIPE it raised is taken away again, so the
// program's handling of the signal (and what its children inherit) stays as it is.
ssize_t writeWithoutSigpipe(int fd, const char* data, std::size_t len) {
  sigset_t pipeSignal, before, pending;
  ::sigemptyset(&pipeSignal);
  ::sigaddset(&pipeSignal, SIGPIPE);
  ::pthread_sigmask(SIG_BLOCK, &pipeSignal, &before);
  ::sigpending(&pending);
  const bool wasPending = ::sigismember(&pending, SIGPIPE) == 1;
  ssize_t written;
  do written = ::write(fd, data, len);
  while (written < 0 && errno == EINTR);
  const int error = errno;
  if (written < 0 && error == EPIPE && !wasPending) {
    const timespec noWait{};
    while (::sigtimedwait(&pipeSignal, nullptr, &noWait) < 0 && errno == EINTR) {
    }
  }
  ::pthread_sigmask(SIG_SETMASK, &before, nullptr);
  errno = error;
  return written;
}

}  // namespace

std::int64_t ConvertProcess::writeInput(const char* data, std::size_t len) {
  if (stdinWrite_ < 0) return -1;
  if (len == 0) return 0;
  const ssize_t written = writeWithoutSigpipe(stdinWrite_, data, len);
  if (written >= 0) return written;
  if (errno != EAGAIN && errno != EWOULDBLOCK) {
    closeInput();  // EPIPE: the converter ended or stopped reading
    return -1;
  }
  if (!inputNotifier_) {
    inputNotifier_ = std::make_unique<QSocketNotifier>(stdinWrite_, QSocketNotifier::Write);
    QObject::connect(inputNotifier_.get(), &QSocketNotifier::activated, [this] {
      inputNotifier_->setEnabled(false);
      if (inputWritable) inputWritable();
    });
  }
  inputNotifier_->setEnabled(true);
  return 0;
}

// May be called from inputWritable, inside the notifier's own signal: the notifier is only switched off here
// (before its descriptor goes), and goes with the pipes.
void ConvertProcess::closeInput() {
  if (inputNotifier_) inputNotifier_->setEnabled(false);
  closeHandle(stdinWrite_);
}

void ConvertProcess::closePipes() {
  inputNotifier_.reset();
  for (int* fd : {&stdinRead_, &stdinWrite_, &stdoutRead_, &stdoutWrite_, &stderrRead_, &stderrWrite_})
    closeHandle(*fd);
}

// The child has its own copies of these; ours would only keep the pipes from ending.
void ConvertProcess::closeChildEnds() {
  closeHandle(stdinRead_);
  closeHandle(stdoutWrite_);
  closeHandle(stderrWrite_);
}

}  // namespace convert

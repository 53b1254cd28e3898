#include "app/cli/Terminal.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

namespace cli {

Terminal::Terminal(int fd, bool quiet)
    : fd_(fd), answerFd_(STDIN_FILENO), terminal_(::isatty(fd) == 1), quiet_(quiet) {}

Terminal::~Terminal() {
  if (ownAnswerFd_) ::close(answerFd_);
}

void Terminal::answerFromTty() {
  if (ownAnswerFd_) return;
  answerFd_ = terminal_ ? ::open("/dev/tty", O_RDONLY | O_CLOEXEC | O_NOCTTY) : -1;
  ownAnswerFd_ = answerFd_ >= 0;
}

bool Terminal::canAsk() const {
  return terminal_ && answerFd_ >= 0 && ::isatty(answerFd_) == 1;
}

int Terminal::columns() const {
  struct winsize size {};
  if (terminal_ && ::ioctl(fd_, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  return 80;
}

void Terminal::write(const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd_, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;  // nowhere to write to: nothing more can be said
    done += static_cast<std::size_t>(n);
  }
}

void Terminal::line(const std::string& text) {
  if (quiet_) return;
  endInPlace();
  write(text + "\n");
}

void Terminal::message(const std::string& text) {
  endInPlace();
  write("clipwave-cli: " + text + "\n");
}

void Terminal::drawInPlace(const std::string& text) {
  if (quiet_ || !terminal_) return;
  // A line longer than the terminal would wrap, and the carriage return would then redraw only its end.
  const std::size_t width = static_cast<std::size_t>(columns() - 1);
  std::string shown = text.size() > width ? text.substr(0, width) : text;
  write("\r" + shown + "\x1b[K");
  inPlace_ = true;
}

void Terminal::endInPlace() {
  if (!inPlace_) return;
  inPlace_ = false;
  write("\n");
}

bool Terminal::ask(const std::string& question) {
  endInPlace();
  write(question + " [y/N] ");
  std::string answer;
  for (;;) {
    char c;
    const ssize_t n = answerFd_ >= 0 ? ::read(answerFd_, &c, 1) : 0;
    if (n <= 0) {  // the end of input, or a signal (Ctrl-C): no
      write("\n");
      return false;
    }
    if (c == '\n') break;
    if (answer.size() < 64) answer.push_back(c);
  }
  return !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y');
}

std::string oneLine(const std::string& text) {
  std::string result;
  bool pendingBlank = false;
  for (const char c : text) {
    if (c == '\r' || c == '\n') {
      pendingBlank = !result.empty();
      continue;
    }
    if (pendingBlank && !result.empty() && result.back() != ' ') result.push_back(' ');
    pendingBlank = false;
    result.push_back(static_cast<unsigned char>(c) < ' ' || c == 0x7F ? ' ' : c);
  }
  return result;
}

}  // namespace cli

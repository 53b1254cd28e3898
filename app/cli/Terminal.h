// Where clipwave-cli writes: standard error, a terminal or not. On a terminal one line at a time can
// be drawn in place (a progress line redrawn with a carriage return, cut to the terminal's width);
// without one every line is plain. --quiet keeps only the messages.
#pragma once

#include <optional>
#include <string>

namespace cli {

class Terminal {
 public:
  // Writes to `fd`; asks its questions on standard input when both are terminals.
  Terminal(int fd, bool quiet);
  ~Terminal();
  Terminal(const Terminal&) = delete;
  Terminal& operator=(const Terminal&) = delete;

  // Standard input holds something else (a list of addresses): answers are read from /dev/tty, and
  // without one nothing is asked.
  void answerFromTty();

  bool isTerminal() const { return terminal_; }
  bool quiet() const { return quiet_; }
  bool canAsk() const;  // questions can be asked and answered here

  // A progress line that stays (nothing with --quiet).
  void line(const std::string& text);
  // A message: always shown, "clipwave-cli: " first.
  void message(const std::string& text);
  // On a terminal (and without --quiet): replaces the line drawn in place with `text`.
  void drawInPlace(const std::string& text);
  // Ends the line drawn in place, which stays as it was last drawn.
  void endInPlace();
  // Asks `question` on the terminal: true for an answer starting with y or Y; false for anything else,
  // the end of input, or a stop signal while waiting.
  bool ask(const std::string& question);

  // The terminal's width in columns (80 when unknown).
  int columns() const;

 private:
  void write(const std::string& text);

  int fd_;
  int answerFd_;  // where answers are read; -1: nowhere
  bool ownAnswerFd_ = false;
  bool terminal_;
  bool quiet_;
  bool inPlace_ = false;  // a line is drawn in place and not yet ended
};

// `text` on one line: every run of line breaks becomes one blank, other control characters blanks.
std::string oneLine(const std::string& text);

}  // namespace cli

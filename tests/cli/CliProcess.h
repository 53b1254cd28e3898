// A program run by a test as a user would run it: with arguments and an environment, its standard
// input closed (or a pipe the test holds), its output read through pipes or through a pseudo-terminal.
// The destructor kills and reaps a child still running.
#pragma once

#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

namespace cli_test {

class CliProcess {
 public:
  struct Options {
    std::vector<std::string> argv{};           // argv[0] is the program's path
    std::map<std::string, std::string> env{};  // set on top of this process's environment
    bool terminal = false;                     // standard input, output and error on one pseudo-terminal
    unsigned short columns = 100;              // the terminal's width
    bool stdinPipe = false;                    // without a terminal: a pipe the test holds open
  };

  explicit CliProcess(const Options& options);
  ~CliProcess();
  CliProcess(const CliProcess&) = delete;
  CliProcess& operator=(const CliProcess&) = delete;

  pid_t pid() const { return pid_; }

  // Reads the output until `text` has appeared in it (standard output or error, or the terminal), the
  // program ended or `timeoutMs` passed; true when it appeared.
  bool waitForOutput(const std::string& text, int timeoutMs);
  // Writes to the terminal (as if typed).
  void type(const std::string& text);
  void signal(int number);
  // Writes to the standard input pipe (stdinPipe).
  void writeStdin(const std::string& text);
  void closeStdin();
  // Reads all output until the program ends, or until `timeoutMs` passed (the program is then killed);
  // its exit status, 128 + the signal's number when a signal ended it, -1 after the time ran out.
  int wait(int timeoutMs);

  const std::string& out() const { return out_; }  // standard output; empty with a terminal
  const std::string& err() const { return err_; }  // standard error, or all a terminal showed

 private:
  // Reads what is there, waiting up to `ms` for something; false when the program has ended.
  bool readSome(int ms);
  void drain();

  pid_t pid_ = -1;
  int pidfd_ = -1;
  int outFd_ = -1;  // standard output, or the terminal's master side
  int errFd_ = -1;
  int inFd_ = -1;
  bool exited_ = false;
  int status_ = -1;
  std::string out_;
  std::string err_;
  bool terminal_ = false;
};

}  // namespace cli_test

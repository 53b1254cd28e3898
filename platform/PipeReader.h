// The reading end of a pipe from a child process, read as data comes (a notifier while the event loop runs)
// and kept up to a cap: past it, either the whole is dropped and counted as too much (an output that is to be
// parsed), or the oldest bytes go (an error output, whose last lines matter). `onEnd` is called once, from
// the notifier, when the pipe ends (the child closed it, or reading failed).
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

class QSocketNotifier;

namespace platform {

class PipeReader {
 public:
  enum class Keep {
    Head,  // up to the cap; past it nothing is kept and overflowed() says so
    Tail,  // the last `cap` bytes
  };

  // Takes `fd` over (made non-blocking, closed with the reader).
  PipeReader(int fd, std::size_t cap, Keep keep, std::function<void()> onEnd);
  ~PipeReader();
  PipeReader(const PipeReader&) = delete;
  PipeReader& operator=(const PipeReader&) = delete;

  bool ended() const { return ended_; }
  bool overflowed() const { return overflowed_; }
  std::string& data() { return data_; }

 private:
  void drain();
  void keep(const char* bytes, std::size_t n);

  int fd_;
  std::size_t cap_;
  Keep keep_;
  std::function<void()> onEnd_;
  bool ended_ = false;
  bool overflowed_ = false;
  std::string data_;
  std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace platform

#include "platform/PipedChild.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

PipedChild::Start PipedChild::start(const std::string& program, const std::vector<std::string>& args,
                                    std::size_t outputCap, std::size_t errorCap,
                                    const std::function<void()>& onPipeEnd) {
  end();
  int out[2] = {-1, -1}, err[2] = {-1, -1};
  if (::pipe2(out, O_CLOEXEC) != 0) return {.error = errno, .noPipe = true};
  if (::pipe2(err, O_CLOEXEC) != 0) {
    const int error = errno;
    ::close(out[0]);
    ::close(out[1]);
    return {.error = error, .noPipe = true};
  }
  const int in = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  process_ = std::make_unique<ChildProcess>();
  const int error = process_->start(program, args, in, out[1], err[1]);
  // The child has its ends of the pipes (or none was started): ours are the reading ends alone.
  ::close(out[1]);
  ::close(err[1]);
  if (in >= 0) ::close(in);
  output_ = std::make_unique<PipeReader>(out[0], outputCap, PipeReader::Keep::Head, onPipeEnd);
  errors_ = std::make_unique<PipeReader>(err[0], errorCap, PipeReader::Keep::Tail, onPipeEnd);
  return {.error = error, .noPipe = false};
}

void PipedChild::end() {
  output_.reset();
  errors_.reset();
  if (process_) {
    if (process_->started()) {
      process_->kill();
      process_->reap();
    }
    process_.reset();
  }
}

}  // namespace platform

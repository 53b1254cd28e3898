#include "platform/PipeReader.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

PipeReader::PipeReader(int fd, std::size_t cap, Keep keep, std::function<void()> onEnd)
    : fd_(fd), cap_(cap), keep_(keep), onEnd_(std::move(onEnd)) {
  ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) | O_NONBLOCK);
  notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { drain(); });
}

PipeReader::~PipeReader() {
  notifier_.reset();
  if (fd_ >= 0) ::close(fd_);
}

void PipeReader::drain() {
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd_, buffer, sizeof buffer);
    if (n > 0) {
      keep(buffer, static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
    ended_ = true;  // the end of the output, or an error that ends it
    notifier_->setEnabled(false);
    onEnd_();
    return;
  }
}

void PipeReader::keep(const char* bytes, std::size_t n) {
  if (keep_ == Keep::Tail) {
    data_.append(bytes, n);
    if (data_.size() > cap_) data_.erase(0, data_.size() - cap_);
    return;
  }
  if (overflowed_) return;
  if (data_.size() + n > cap_) {
    overflowed_ = true;
    data_.clear();
    return;
  }
  data_.append(bytes, n);
}

}  // namespace platform

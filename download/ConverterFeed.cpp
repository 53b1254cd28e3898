#include "download/ConverterFeed.h"

#include "convert/ConvertProcess.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace download {

ConverterFeed::ConverterFeed(convert::ConvertProcess& converter) : converter_(converter) {}

ConverterFeed::~ConverterFeed() {
  if (feeding_) converter_.inputWritable = nullptr;
  if (fd_ >= 0) ::close(fd_);
}

bool ConverterFeed::open(const std::string& partPath) {
  if (fd_ >= 0) ::close(fd_);
  fd_ = ::open(partPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  return fd_ >= 0;
}

std::int64_t ConverterFeed::partSize() const {
  struct stat st {};
  if (fd_ < 0 || ::fstat(fd_, &st) != 0) return 0;
  return st.st_size;
}

ContainerStart ConverterFeed::judge(bool whole) const {
  if (fd_ < 0) return ContainerStart::NeedsWhole;
  const ReadAt readAt = [this](std::int64_t offset, unsigned char* out, std::size_t len) {
    ssize_t got;
    do got = ::pread(fd_, out, len, offset);
    while (got < 0 && errno == EINTR);
    return got == static_cast<ssize_t>(len);
  };
  return judgeContainerStart(readAt, partSize(), whole);
}

void ConverterFeed::begin() {
  feeding_ = true;
  converter_.inputWritable = [this] { pump(); };
  pump();
}

void ConverterFeed::inputComplete() {
  complete_ = true;
  pump();
}

void ConverterFeed::restart() {
  readAt_ = 0;
  position_ = length_ = 0;
  feeding_ = complete_ = closed_ = gone_ = false;
  converter_.inputWritable = nullptr;
}

// What the part holds beyond the bytes read goes into the chunk, at most kChunkBytes of it.
bool ConverterFeed::refill() {
  const std::int64_t available = partSize() - readAt_;
  if (available <= 0) return false;
  chunk_.resize(kChunkBytes);
  const std::size_t want = static_cast<std::size_t>(std::min<std::int64_t>(available, kChunkBytes));
  ssize_t got;
  do got = ::pread(fd_, chunk_.data(), want, readAt_);
  while (got < 0 && errno == EINTR);
  if (got <= 0) return false;
  readAt_ += got;
  position_ = 0;
  length_ = static_cast<std::size_t>(got);
  return true;
}

void ConverterFeed::pump() {
  if (!feeding_ || gone_ || closed_) return;
  for (;;) {
    if (position_ == length_ && !refill()) {
      if (complete_) {
        closed_ = true;
        converter_.closeInput();
      }
      return;
    }
    const std::int64_t took = converter_.writeInput(chunk_.data() + position_, length_ - position_);
    if (took < 0) {
      gone_ = true;
      return;
    }
    if (took == 0) return;  // the pipe is full: inputWritable calls again
    position_ += static_cast<std::size_t>(took);
  }
}

}  // namespace download

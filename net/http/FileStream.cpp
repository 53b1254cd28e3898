#include "net/http/FileStream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace http {

FileStream::FileStream(const std::string& path, Open open, Accept accept) : path_(path) {
  if (accept == Accept::AnyFile) {
    const int keep = open == Open::Continue ? 0 : O_TRUNC;
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | keep | O_CLOEXEC, 0644);
    if (fd_ < 0) fail("Cannot create file", errno);
  } else {
    openRegularFile();
  }
  struct stat info {};
  if (::fstat(fd_, &info) != 0) {
    const int err = errno;
    ::close(fd_);
    fd_ = -1;
    fail("Cannot read the size of", err);
  }
  if (open == Open::Continue) {
    size_ = position_ = info.st_size;
  } else if (accept == Accept::RegularOnly && info.st_size != 0 && ::ftruncate(fd_, 0) != 0) {
    const int err = errno;
    ::close(fd_);
    fd_ = -1;
    fail("Cannot empty", err);
  }
  pending_.reserve(kBufferSize);
}

// A link is never followed (O_NOFOLLOW), and a FIFO never blocks the open (O_NONBLOCK, cleared once the
// file is known to be a regular one); nothing is emptied before that is known.
void FileStream::openRegularFile() {
  fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
  const int err = errno;
  struct stat info {};
  if (fd_ < 0) {
    // ELOOP: a symbolic link; ENXIO: a FIFO without a reader; anything else is the system's reason.
    if ((err == ELOOP || err == ENXIO) && ::lstat(path_.c_str(), &info) == 0 && !S_ISREG(info.st_mode))
      throw StreamError("\"" + path_ + "\" is not a regular file");
    fail("Cannot create file", err);
  }
  if (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd_);
    fd_ = -1;
    throw StreamError("\"" + path_ + "\" is not a regular file");
  }
  const int flags = ::fcntl(fd_, F_GETFL);
  if (flags < 0 || ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    const int failed = errno;
    ::close(fd_);
    fd_ = -1;
    fail("Cannot open", failed);
  }
}

FileStream::~FileStream() {
  try {
    close();
  } catch (const StreamError&) {
    // Nobody can be told any more; close() is the reporting path.
  }
}

void FileStream::fail(const std::string& what, int err) {
  throw StreamError(what + " \"" + path_ + "\": " + std::strerror(err));
}

void FileStream::write(const void* data, std::size_t len) {
  if (fd_ < 0) throw StreamError("Write to closed file \"" + path_ + "\"");
  const char* p = static_cast<const char*>(data);
  if (pending_.size() + len > kBufferSize) flush();
  if (len >= kBufferSize) {
    writeAll(p, len);
    size_ = std::max(size_, position_);
    return;
  }
  pending_.insert(pending_.end(), p, p + len);
}

void FileStream::writeAll(const char* data, std::size_t len) {
  while (len > 0) {
    ssize_t n = ::pwrite(fd_, data, len, position_);
    if (n < 0) {
      if (errno == EINTR) continue;
      fail("Write error on", errno);
    }
    data += n;
    len -= static_cast<std::size_t>(n);
    position_ += n;
  }
}

void FileStream::flush() {
  if (pending_.empty() || fd_ < 0) return;
  std::int64_t start = position_;
  try {
    writeAll(pending_.data(), pending_.size());
  } catch (...) {
    position_ = start;
    pending_.clear();
    throw;
  }
  pending_.clear();
  size_ = std::max(size_, position_);
}

std::size_t FileStream::read(void*, std::size_t) {
  return 0;
}  // opened for writing only

std::int64_t FileStream::size() {
  return std::max(size_, position());
}

void FileStream::setSize(std::int64_t size) {
  flush();
  if (fd_ < 0) throw StreamError("Size change of closed file \"" + path_ + "\"");
  if (::ftruncate(fd_, size) != 0) fail("Cannot change the size of", errno);
  size_ = size;
  if (position_ > size) position_ = size;
}

void FileStream::seek(std::int64_t position) {
  flush();
  position_ = position;
}

void FileStream::close() {
  if (fd_ < 0) return;
  try {
    flush();
  } catch (...) {
    ::close(fd_);
    fd_ = -1;
    throw;
  }
  int rc = ::close(fd_);
  fd_ = -1;
  if (rc != 0) fail("Cannot close", errno);
}

}  // namespace http

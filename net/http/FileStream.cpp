#include "net/http/FileStream.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace http {

FileStream::FileStream(const std::string& path) : path_(path) {
  fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd_ < 0) Fail("Cannot create file", errno);
  pending_.reserve(kBufferSize);
}

FileStream::~FileStream() {
  try {
    Close();
  } catch (const StreamError&) {
    // Nobody can be told any more; Close() is the reporting path.
  }
}

void FileStream::Fail(const std::string& what, int err) {
  throw StreamError(what + " \"" + path_ + "\": " + std::strerror(err));
}

void FileStream::Write(const void* data, std::size_t len) {
  if (fd_ < 0) throw StreamError("Write to closed file \"" + path_ + "\"");
  const char* p = static_cast<const char*>(data);
  if (pending_.size() + len > kBufferSize) Flush();
  if (len >= kBufferSize) {
    WriteAll(p, len);
    size_ = std::max(size_, position_);
    return;
  }
  pending_.insert(pending_.end(), p, p + len);
}

void FileStream::WriteAll(const char* data, std::size_t len) {
  while (len > 0) {
    ssize_t n = ::pwrite(fd_, data, len, position_);
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail("Write error on", errno);
    }
    data += n;
    len -= static_cast<std::size_t>(n);
    position_ += n;
  }
}

void FileStream::Flush() {
  if (pending_.empty() || fd_ < 0) return;
  std::int64_t start = position_;
  try {
    WriteAll(pending_.data(), pending_.size());
  } catch (...) {
    position_ = start;
    pending_.clear();
    throw;
  }
  pending_.clear();
  size_ = std::max(size_, position_);
}

std::size_t FileStream::Read(void*, std::size_t) {
  return 0;
}  // opened for writing only

std::int64_t FileStream::Size() {
  return std::max(size_, Position());
}

void FileStream::SetSize(std::int64_t size) {
  Flush();
  if (fd_ < 0) throw StreamError("Size change of closed file \"" + path_ + "\"");
  if (::ftruncate(fd_, size) != 0) Fail("Cannot change the size of", errno);
  size_ = size;
  if (position_ > size) position_ = size;
}

void FileStream::Seek(std::int64_t position) {
  Flush();
  position_ = position;
}

void FileStream::Close() {
  if (fd_ < 0) return;
  try {
    Flush();
  } catch (...) {
    ::close(fd_);
    fd_ = -1;
    throw;
  }
  int rc = ::close(fd_);
  fd_ = -1;
  if (rc != 0) Fail("Cannot close", errno);
}

}  // namespace http

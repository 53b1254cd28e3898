// A byte stream the client writes received bodies into (and reads a POST or PUT body from). The
// client never creates, closes or frees a stream; whoever sets it owns it.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace http {

// Raised by a stream whose write, read or size change fails; the text says what failed.
class StreamError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class Stream {
 public:
  virtual ~Stream() = default;
  // Writes all `len` bytes at the position, or raises StreamError.
  virtual void write(const void* data, std::size_t len) = 0;
  // Reads up to `len` bytes at the position; the count read, 0 at the end.
  virtual std::size_t read(void* data, std::size_t len) = 0;
  virtual std::int64_t size() = 0;
  // Cuts the stream (or extends it) to `size` bytes; the position moves to the end when beyond it.
  virtual void setSize(std::int64_t size) = 0;
  virtual std::int64_t position() = 0;
  virtual void seek(std::int64_t position) = 0;
};

// A stream held in memory.
class MemoryStream final : public Stream {
 public:
  MemoryStream() = default;
  explicit MemoryStream(std::string data) : data_(std::move(data)) {}

  void write(const void* data, std::size_t len) override {
    if (position_ > data_.size()) data_.resize(position_);
    data_.replace(position_, std::min(len, data_.size() - position_), static_cast<const char*>(data), len);
    position_ += len;
  }
  std::size_t read(void* data, std::size_t len) override {
    if (position_ >= data_.size()) return 0;
    std::size_t n = std::min(len, data_.size() - position_);
    data_.copy(static_cast<char*>(data), n, position_);
    position_ += n;
    return n;
  }
  std::int64_t size() override { return static_cast<std::int64_t>(data_.size()); }
  void setSize(std::int64_t size) override {
    data_.resize(static_cast<std::size_t>(size));
    if (position_ > data_.size()) position_ = data_.size();
  }
  std::int64_t position() override { return static_cast<std::int64_t>(position_); }
  void seek(std::int64_t position) override { position_ = static_cast<std::size_t>(position); }

  const std::string& data() const { return data_; }

 private:
  std::string data_;
  std::size_t position_ = 0;
};

}  // namespace http

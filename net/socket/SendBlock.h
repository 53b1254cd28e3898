// One block of a socket's send queue: bytes are written at the end and taken from the front; the
// bytes still to send lie between the read count and the write count.
#pragma once

#include <cstdint>
#include <memory>

namespace net {

class SendBlock {
 public:
  explicit SendBlock(std::int32_t size);  // a size of 0 or less gets 1514 bytes

  // Copies as much of `data` as fits after the stored bytes; returns the count (0 when full).
  std::int32_t write(const void* data, std::int32_t len);
  // The first unsent byte and the count of unsent bytes (nullptr and 0 when empty).
  const char* peek(std::int32_t& len) const;
  // Takes up to `len` bytes from the front; an emptied block starts again at its beginning.
  void remove(std::int32_t len);
  // Changes the block size, keeping the stored bytes that still fit.
  void setSize(std::int32_t size);

  std::int32_t size() const { return size_; }
  std::int32_t wrCount() const { return wrCount_; }
  std::int32_t rdCount() const { return rdCount_; }
  std::int32_t unsent() const { return wrCount_ - rdCount_; }

 private:
  std::unique_ptr<char[]> data_;
  std::int32_t size_ = 0;
  std::int32_t wrCount_ = 0;
  std::int32_t rdCount_ = 0;
};

}  // namespace net

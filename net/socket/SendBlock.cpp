#include "net/socket/SendBlock.h"

#include <algorithm>
#include <cstring>

namespace net {

namespace {
constexpr std::int32_t kDefaultBlockSize = 1514;
}

SendBlock::SendBlock(std::int32_t size) {
  setSize(size);
}

std::int32_t SendBlock::write(const void* data, std::int32_t len) {
  const std::int32_t count = std::max<std::int32_t>(0, std::min(len, size_ - wrCount_));
  if (count > 0) std::memcpy(data_.get() + wrCount_, data, static_cast<std::size_t>(count));
  wrCount_ += count;
  return count;
}

const char* SendBlock::peek(std::int32_t& len) const {
  len = unsent();
  return len > 0 ? data_.get() + rdCount_ : nullptr;
}

void SendBlock::remove(std::int32_t len) {
  rdCount_ += std::max<std::int32_t>(0, std::min(len, unsent()));
  if (rdCount_ >= wrCount_) rdCount_ = wrCount_ = 0;
}

void SendBlock::setSize(std::int32_t size) {
  if (size <= 0) size = kDefaultBlockSize;
  auto data = std::make_unique<char[]>(static_cast<std::size_t>(size));
  const std::int32_t keep = std::min(unsent(), size);
  if (keep > 0) std::memcpy(data.get(), data_.get() + rdCount_, static_cast<std::size_t>(keep));
  data_ = std::move(data);
  size_ = size;
  rdCount_ = 0;
  wrCount_ = keep;
}

}  // namespace net

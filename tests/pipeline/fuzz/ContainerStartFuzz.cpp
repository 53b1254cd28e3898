// Fuzz target of the container judge: any bytes, judged as a part that holds all of them, a prefix of them,
// and the whole file. The reader refuses anything outside the bytes that are there, as a part file's does;
// the judge must never ask past what it was told is there, and a verdict given on a prefix must stand.
#include "download/ContainerStart.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::int64_t available = 0;
  const download::ReadAt readAt = [&](std::int64_t offset, unsigned char* out, std::size_t len) {
    if (offset < 0 || offset + static_cast<std::int64_t>(len) > available)
      std::abort();  // asked past the part
    std::memcpy(out, data + offset, len);
    return true;
  };
  available = static_cast<std::int64_t>(size);
  const download::ContainerStart whole = download::judgeContainerStart(readAt, available, true);
  if (whole == download::ContainerStart::NeedMore) std::abort();  // a whole file is always judged
  for (const std::int64_t prefix : {available / 3, available / 2, available - 1}) {
    if (prefix < 0) continue;
    available = prefix;
    const download::ContainerStart early = download::judgeContainerStart(readAt, available, false);
    if (early != download::ContainerStart::NeedMore && early != whole) std::abort();
  }
  return 0;
}

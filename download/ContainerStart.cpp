#include "download/ContainerStart.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

namespace download {
namespace {

constexpr std::size_t kHeadBytes = 16;   // what the signatures need (an MP4's first box header)
constexpr std::int64_t kTsPacket = 188;  // MPEG-TS packets, each starting with 0x47
constexpr int kTsPacketsChecked = 3;     // a lone 0x47 says little: three packets in a row
constexpr int kMaxTopLevelBoxes = 64;    // an MP4 with more before moov or mdat is not judged further
constexpr unsigned char kTsSync = 0x47;

std::uint32_t bigEndian32(const unsigned char* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

std::uint64_t bigEndian64(const unsigned char* p) {
  return (std::uint64_t{bigEndian32(p)} << 32) | bigEndian32(p + 4);
}

bool typeIs(const unsigned char* p, const char* type) {
  return std::memcmp(p, type, 4) == 0;
}

// A top-level box an MP4 or QuickTime file can begin with.
bool isLeadingBox(const unsigned char* type) {
  for (const char* known : {"ftyp", "moov", "mdat", "free", "skip", "wide", "pdin", "styp"}) {
    if (typeIs(type, known)) return true;
  }
  return false;
}

// An MPEG audio frame header (layers I-III, not the reserved values); ADTS (layer 0) is not one.
bool isMpegAudioFrame(const unsigned char* p) {
  if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0) return false;
  const int version = (p[1] >> 3) & 3;
  const int layer = (p[1] >> 1) & 3;
  const int bitrate = p[2] >> 4;
  const int rate = (p[2] >> 2) & 3;
  return version != 1 && layer != 0 && bitrate != 0xF && rate != 3;
}

// Walks the top-level boxes: the index before the samples is readable from the start. Offsets are compared as
// `at > available - n`: a box that ends near the largest offset cannot make them overflow.
ContainerStart judgeBoxes(const ReadAt& readAt, std::int64_t available, bool whole) {
  std::int64_t at = 0;
  for (int box = 0; box < kMaxTopLevelBoxes; ++box) {
    std::array<unsigned char, kHeadBytes> header{};
    if (at > available - 8) return whole ? ContainerStart::NeedsWhole : ContainerStart::NeedMore;
    if (!readAt(at, header.data(), 8)) return ContainerStart::NeedsWhole;
    std::uint64_t size = bigEndian32(header.data());
    std::uint64_t headerSize = 8;
    if (typeIs(header.data() + 4, "moov")) return ContainerStart::Readable;
    if (typeIs(header.data() + 4, "mdat")) return ContainerStart::NeedsWhole;
    if (size == 0) return ContainerStart::NeedsWhole;  // a box that runs to the file's end, before any index
    if (size == 1) {
      if (at > available - 16) return whole ? ContainerStart::NeedsWhole : ContainerStart::NeedMore;
      if (!readAt(at + 8, header.data() + 8, 8)) return ContainerStart::NeedsWhole;
      size = bigEndian64(header.data() + 8);
      headerSize = 16;
    }
    if (size < headerSize || size > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max() - at))
      return ContainerStart::NeedsWhole;
    at += static_cast<std::int64_t>(size);
  }
  return ContainerStart::NeedsWhole;
}

}  // namespace

ContainerStart judgeContainerStart(const ReadAt& readAt, std::int64_t available, bool whole) {
  std::array<unsigned char, kHeadBytes> head{};
  const std::size_t headBytes = static_cast<std::size_t>(std::min<std::int64_t>(available, kHeadBytes));
  if (headBytes < kHeadBytes && !whole) return ContainerStart::NeedMore;
  if (headBytes < 4 || !readAt(0, head.data(), headBytes)) return ContainerStart::NeedsWhole;
  const unsigned char* p = head.data();
  if (std::memcmp(p, "FLV\x01", 4) == 0) return ContainerStart::Readable;
  if (std::memcmp(p, "\x1A\x45\xDF\xA3", 4) == 0) return ContainerStart::Readable;  // Matroska, WebM
  if (std::memcmp(p, "OggS", 4) == 0) return ContainerStart::Readable;
  if (std::memcmp(p, "ID3", 3) == 0 || isMpegAudioFrame(p)) return ContainerStart::Readable;
  if (headBytes >= 8 && isLeadingBox(p + 4)) return judgeBoxes(readAt, available, whole);
  if (p[0] == kTsSync) {
    for (int packet = 1; packet < kTsPacketsChecked; ++packet) {
      const std::int64_t at = packet * kTsPacket;
      if (at >= available) return whole ? ContainerStart::NeedsWhole : ContainerStart::NeedMore;
      unsigned char sync = 0;
      if (!readAt(at, &sync, 1) || sync != kTsSync) return ContainerStart::NeedsWhole;
    }
    return ContainerStart::Readable;
  }
  return ContainerStart::NeedsWhole;
}

}  // namespace download

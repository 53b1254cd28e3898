// Whether a video's container can be read from its first byte on, as the bytes arrive, judged from its first
// bytes: FLV, Matroska/WebM, MPEG-TS, Ogg, MP3 (an ID3 tag or a frame header first), and MP4/M4A/QuickTime
// whose "moov" box (the index of its samples) comes before its "mdat" box (the samples). An MP4 whose index
// is at its end, and anything not known, can only be converted once the whole file is there.
//
// The judge reads only what it needs: the first bytes, and for an MP4 the header of each top-level box, a
// bounded number of them. It is a pure function over a reader, so a part file and a test's bytes serve alike.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace download {

enum class ContainerStart {
  Readable,    // the converter can read it while it arrives
  NeedsWhole,  // the converter needs the whole file
  NeedMore,    // not yet known: more bytes must arrive first
};

// Copies `len` bytes at `offset` of the file into `out`; false when they cannot be read.
using ReadAt = std::function<bool(std::int64_t offset, unsigned char* out, std::size_t len)>;

// Judges the file of which `available` bytes are there; `whole` when no more will come.
ContainerStart judgeContainerStart(const ReadAt& readAt, std::int64_t available, bool whole);

}  // namespace download

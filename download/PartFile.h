// The part of a video still being downloaded, and what is needed to continue it later.
//
// A download never writes under the video's own name: its bytes go to "<name>.part" beside it, which
// takes the video's name only once the whole video is there, so a part is never mistaken for a video.
// Beside the part a small record ("<name>.part.info") keeps what the server said of the whole video
// when the part was begun: its total size and its validators (ETag, Last-Modified). The next download
// of the same video file continues the part with "Range: bytes=N-" and keeps the bytes only when the
// reply is a 206 for exactly those bytes of the same video (see checkRangeReply); otherwise it starts
// over from byte 0.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace download {

// What the server said of the whole video.
struct VideoValidators {
  std::int64_t total = -1;   // size of the whole video in bytes; -1 when the reply did not say
  std::string etag;          // the ETag field's value, as sent; empty when none
  std::string lastModified;  // the Last-Modified field's value, as sent; empty when none

  bool operator==(const VideoValidators&) const = default;
};

// The validators of a 200 reply (total from its Content-Length) or a 206 reply (total from its
// Content-Range), read from its header lines (status line first). Field names in any letter case.
VideoValidators validatorsOf(const std::vector<std::string>& headerLines);

// What a reply to a request means for the part.
enum class RangeReply {
  Continue,       // 206 for exactly the bytes from the part's end to the end of the same video
  StartOverHere,  // a whole video (2xx other than 206): the part is emptied and this body written
  StartOverAnew,  // a 206 for other bytes or another video, or 416: this reply is dropped and the
                  // video asked for again from byte 0
  NotVideo,       // anything else (an error status): no body of it is written to the part
};

// Judges the reply to a request that asked for the bytes from `from` on (0: no range was asked for) of
// the video described by `before`. A 206 is kept only with a "Content-Range: bytes from-(T-1)/T" whose
// T is before.total (or any T when before.total is unknown and `before` has a validator to match), a
// Content-Length (when there is one) of exactly those bytes, and with the same ETag and Last-Modified as
// `before` wherever `before` has them.
RangeReply checkRangeReply(std::int64_t from, const VideoValidators& before, int status,
                           const std::vector<std::string>& headerLines);

class PartFile {
 public:
  // The longest ending a name beside the video gets: the record's while it is being written
  // (".part.info.new-" and six digits). A video name that leaves this much room within a file name's
  // 255 bytes keeps its own name in the part's and the record's names.
  static constexpr std::size_t kLongestEnding = 21;

  // For the video file at `videoPath`.
  explicit PartFile(std::string videoPath);

  const std::string& videoPath() const { return videoPath_; }
  const std::string& partPath() const { return partPath_; }
  const std::string& infoPath() const { return infoPath_; }

  // The number of bytes a download can continue from: the part's size when a record of the video
  // was kept beside it and the part is shorter than the video; 0 otherwise (nothing to continue).
  // `validators` gets the record.
  std::int64_t resumableBytes(VideoValidators& validators) const;

  // Keeps the record of the video beside the part (written to a temporary file, synced and renamed
  // into place, so a record is whole or absent). False when it cannot be written.
  bool keepValidators(const VideoValidators& validators) const;

  // The part is never a symbolic link, a FIFO or a device: opened for writing (StreamDownload) with
  // http::FileStream::Accept::RegularOnly, which refuses anything else, and read or removed here only when
  // it is a regular file.

  // The whole video is there: the part takes the video's name (replacing an older file of that name)
  // and the record goes. False with the reason when the rename fails.
  bool finish(std::string& failure) const;

  // Removes the part and its record.
  void discard() const;
  // Removes the record only (the part can no longer be continued).
  void forgetValidators() const;

 private:
  std::string videoPath_;
  std::string partPath_;
  std::string infoPath_;
};

}  // namespace download

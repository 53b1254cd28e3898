// The bytes of a video being downloaded, handed to a converter that reads them on its standard input while
// the download goes on. The feed reads them back from the part file, where the download writes them: the part
// is the only buffer between the socket and the converter, so a download faster than the converter goes at
// its own pace and memory stays flat (one chunk here, the pipe's room in the kernel), and a converter faster
// than the download waits for the part to grow. A cut continued with Range goes on writing the same part,
// which the feed goes on reading; a part emptied to start the video over is read again from its first byte
// (restart()).
//
// The converter's pace holds the feed back: a full pipe takes nothing, and the feed goes on once the
// converter has read (ConvertProcess::inputWritable). Once the download is complete and every byte is fed,
// the converter's input is closed and it reads its end.
#pragma once

#include "download/ContainerStart.h"

#include <cstdint>
#include <string>
#include <vector>

namespace convert {
class ConvertProcess;
}

namespace download {

class ConverterFeed {
 public:
  static constexpr std::size_t kChunkBytes = 256 * 1024;

  explicit ConverterFeed(convert::ConvertProcess& converter);
  ~ConverterFeed();
  ConverterFeed(const ConverterFeed&) = delete;
  ConverterFeed& operator=(const ConverterFeed&) = delete;

  // Opens the part file for reading (it stays readable once it takes the video's name). False when it cannot.
  bool open(const std::string& partPath);
  bool opened() const { return fd_ >= 0; }
  // Whether the converter can read the part as it stands from its first byte; `whole` once no more comes.
  ContainerStart judge(bool whole) const;

  // The converter has been started fed: it is handed what the part holds, and what it gets later.
  void begin();
  // The part has grown (or the converter has room again): hands on what it can without waiting.
  void pump();
  // The download is complete: once the last byte is handed on, the converter reads its input's end.
  void inputComplete();
  // The part was emptied to start the video over: nothing has been fed to a new converter yet.
  void restart();

  // The converter took no more (it ended, or closed its input) before its input was complete.
  bool converterGone() const { return gone_; }
  std::int64_t fed() const { return readAt_ - static_cast<std::int64_t>(length_ - position_); }

 private:
  bool refill();
  std::int64_t partSize() const;

  convert::ConvertProcess& converter_;
  int fd_ = -1;
  std::int64_t readAt_ = 0;  // the part's next byte to read
  std::vector<char> chunk_;  // read from the part, not yet taken by the converter
  std::size_t position_ = 0, length_ = 0;
  bool feeding_ = false;
  bool complete_ = false;
  bool closed_ = false;
  bool gone_ = false;
};

}  // namespace download

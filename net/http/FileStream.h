// A file opened for writing (created, emptied, or continued at its end) that collects small writes into large
// ones. Every byte reaches the file by flush(), close() or a size change; each failure raises StreamError
// with the system's reason. The destructor closes the file too but cannot report a failure: call close().
#pragma once

#include "net/http/Stream.h"

#include <string>
#include <vector>

namespace http {

class FileStream final : public Stream {
 public:
  static constexpr std::size_t kBufferSize = 256 * 1024;

  enum class Open {
    Create,    // create the file, or empty an existing one
    Continue,  // create the file, or keep an existing one's bytes and write on after them
  };

  // Which files may be opened.
  enum class Accept {
    AnyFile,      // whatever the path names (a device such as /dev/null too), links followed
    RegularOnly,  // a regular file only: a symbolic link, a FIFO or a device is refused and left as it is
  };

  // Opens the file for writing as `open` says; raises StreamError when that fails (with RegularOnly, also
  // when the path names anything but a regular file: "... is not a regular file").
  explicit FileStream(const std::string& path, Open open = Open::Create, Accept accept = Accept::AnyFile);
  ~FileStream() override;
  FileStream(const FileStream&) = delete;
  FileStream& operator=(const FileStream&) = delete;

  void write(const void* data, std::size_t len) override;
  std::size_t read(void* data, std::size_t len) override;
  std::int64_t size() override;
  void setSize(std::int64_t size) override;
  std::int64_t position() override { return position_ + static_cast<std::int64_t>(pending_.size()); }
  void seek(std::int64_t position) override;

  // Writes the collected bytes to the file.
  void flush();
  // Flushes and closes the file; later writes fail.
  void close();

 private:
  void openRegularFile();
  void writeAll(const char* data, std::size_t len);
  [[noreturn]] void fail(const std::string& what, int err);

  std::string path_;
  int fd_ = -1;
  std::int64_t position_ = 0;  // file position of the first collected byte
  std::int64_t size_ = 0;      // file size on disk
  std::vector<char> pending_;
};

}  // namespace http

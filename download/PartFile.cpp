#include "download/PartFile.h"

#include "common/Text.h"
#include "download/VideoFileName.h"
#include "resources/Translations.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>
#include <sstream>

namespace download {
namespace {

namespace fs = std::filesystem;

constexpr const char* kPartEnding = ".part";
constexpr const char* kInfoEnding = ".part.info";
constexpr const char* kTemporaryEnding = ".new-";  // and a number below kTemporaryNumbers
constexpr std::uint32_t kTemporaryNumbers = 1000000;
constexpr std::size_t kLargestRecord = 4096;  // a record is three short lines; anything longer is no record

bool isRegularFile(const std::string& path) {
  std::error_code error;
  return fs::is_regular_file(fs::symlink_status(path, error));
}

// The record's text, read without following a link or blocking on a FIFO; empty when it is not a
// regular file of at most kLargestRecord bytes.
std::string readRecord(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return {};
  std::string text;
  struct stat info {};
  if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
      info.st_size <= static_cast<off_t>(kLargestRecord)) {
    text.resize(kLargestRecord);
    std::size_t done = 0;
    for (;;) {
      const ssize_t n = ::read(fd, text.data() + done, text.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
      if (done == text.size()) break;
    }
    text.resize(done);
  }
  ::close(fd);
  return text;
}

// A decimal number of 1 to 18 digits; -1 for anything else.
std::int64_t number(const std::string& text) {
  if (text.empty() || text.size() > 18 || text.find_first_not_of("0123456789") != std::string::npos)
    return -1;
  return std::stoll(text);
}

// The value of the first header field named `name` (lower case); nullptr when there is none.
const std::string* fieldValue(const std::vector<std::string>& headerLines, const std::string& name,
                              std::string& value) {
  for (std::size_t i = 1; i < headerLines.size(); ++i) {
    const std::string& line = headerLines[i];
    const std::size_t colon = line.find(':');
    if (colon == std::string::npos || common::lowerAscii(line.substr(0, colon)) != name) continue;
    value = common::trim(line.substr(colon + 1), common::Trim::SpacesAndTabs);
    return &value;
  }
  return nullptr;
}

struct ContentRange {
  std::int64_t first = -1, last = -1, total = -1;  // -1 where the field holds "*" or nothing usable
};

// "bytes A-B/T" or "bytes */T".
ContentRange contentRangeOf(const std::vector<std::string>& headerLines) {
  ContentRange range;
  std::string value;
  if (fieldValue(headerLines, "content-range", value) == nullptr) return range;
  if (common::lowerAscii(value.substr(0, 6)) != "bytes ") return range;
  const std::string rangeText = common::trim(value.substr(6), common::Trim::SpacesAndTabs);
  const std::size_t slash = rangeText.find('/');
  if (slash == std::string::npos) return range;
  range.total = number(common::trim(rangeText.substr(slash + 1), common::Trim::SpacesAndTabs));
  const std::string bytes = common::trim(rangeText.substr(0, slash), common::Trim::SpacesAndTabs);
  const std::size_t dash = bytes.find('-');
  if (dash == std::string::npos) return range;
  range.first = number(common::trim(bytes.substr(0, dash), common::Trim::SpacesAndTabs));
  range.last = number(common::trim(bytes.substr(dash + 1), common::Trim::SpacesAndTabs));
  return range;
}

// A file name that leaves room for `ending` within a file name's 255 bytes: cut at a character
// boundary when it is too long.
std::string nameWithRoomFor(std::string name, std::size_t ending) {
  if (name.size() + ending <= kMaxFileNameBytes) return name;
  std::size_t size = kMaxFileNameBytes - ending;
  while (size > 0 && (static_cast<unsigned char>(name[size]) & 0xC0) == 0x80) --size;
  name.resize(size);
  return name;
}

static_assert(std::char_traits<char>::length(kInfoEnding) + std::char_traits<char>::length(kTemporaryEnding) +
                  6 ==
              PartFile::kLongestEnding);

}  // namespace

VideoValidators validatorsOf(const std::vector<std::string>& headerLines) {
  VideoValidators validators;
  std::string value;
  const ContentRange range = contentRangeOf(headerLines);
  if (range.total >= 0) {
    validators.total = range.total;
  } else if (fieldValue(headerLines, "content-length", value) != nullptr) {
    validators.total = number(value);
  }
  if (fieldValue(headerLines, "etag", value) != nullptr) validators.etag = value;
  if (fieldValue(headerLines, "last-modified", value) != nullptr) validators.lastModified = value;
  return validators;
}

RangeReply checkRangeReply(std::int64_t from, const VideoValidators& before, int status,
                           const std::vector<std::string>& headerLines) {
  if (status == 206) {
    if (from <= 0) return RangeReply::NotVideo;  // a part that was not asked for
    const ContentRange range = contentRangeOf(headerLines);
    // A video whose size was not said (a body that ran until the connection's end) is recognised by its
    // validators alone, and its size is the reply's.
    const bool sizeKnown = before.total > 0;
    if (!sizeKnown && before.etag.empty() && before.lastModified.empty()) return RangeReply::StartOverAnew;
    const std::int64_t total = sizeKnown ? before.total : range.total;
    if (total <= from || range.total != total || range.first != from || range.last != total - 1)
      return RangeReply::StartOverAnew;
    // A body of another length than the range it names would grow the video past its size.
    std::string length;
    if (fieldValue(headerLines, "content-length", length) != nullptr &&
        number(length) != range.last - range.first + 1)
      return RangeReply::StartOverAnew;
    const VideoValidators now = validatorsOf(headerLines);
    if (!before.etag.empty() && now.etag != before.etag) return RangeReply::StartOverAnew;
    if (!before.lastModified.empty() && now.lastModified != before.lastModified)
      return RangeReply::StartOverAnew;
    return RangeReply::Continue;
  }
  if (status == 416 && from > 0) return RangeReply::StartOverAnew;
  if (status >= 200 && status <= 299) return RangeReply::StartOverHere;
  return RangeReply::NotVideo;
}

PartFile::PartFile(std::string videoPath) : videoPath_(std::move(videoPath)) {
  const fs::path path(videoPath_);
  const std::string name = path.filename().string();
  const fs::path folder = path.parent_path();
  // The longest name is the record's while it is written: room is kept for that one.
  const std::string stem = nameWithRoomFor(name, kLongestEnding);
  partPath_ = (folder / (stem + kPartEnding)).string();
  infoPath_ = (folder / (stem + kInfoEnding)).string();
}

std::int64_t PartFile::resumableBytes(VideoValidators& validators) const {
  validators = {};
  std::error_code error;
  if (!isRegularFile(partPath_)) return 0;
  const auto size = static_cast<std::int64_t>(fs::file_size(partPath_, error));
  if (error) return 0;
  std::istringstream in(readRecord(infoPath_));
  std::string line;
  VideoValidators kept;
  bool totalSeen = false;
  while (std::getline(in, line)) {
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
    if (key == "total") {
      kept.total = number(value);
      totalSeen = true;
    } else if (key == "etag") {
      kept.etag = value;
    } else if (key == "last-modified") {
      kept.lastModified = value;
    }
  }
  validators = kept;
  if (!totalSeen || kept.total <= 0 || size <= 0 || size >= kept.total) return 0;
  return size;
}

bool PartFile::keepValidators(const VideoValidators& validators) const {
  std::ostringstream text;
  text << "total=" << validators.total << "\n";
  // Field values never hold line breaks (the response parser splits lines at them).
  if (!validators.etag.empty()) text << "etag=" << validators.etag << "\n";
  if (!validators.lastModified.empty()) text << "last-modified=" << validators.lastModified << "\n";
  const std::string content = text.str();
  std::random_device random;
  const std::string temporary = infoPath_ + kTemporaryEnding + std::to_string(random() % kTemporaryNumbers);
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  std::size_t done = 0;
  bool ok = true;
  while (ok && done < content.size()) {
    const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) done += static_cast<std::size_t>(n);
  }
  ok = ok && ::fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  ok = ok && ::rename(temporary.c_str(), infoPath_.c_str()) == 0;
  if (!ok) ::unlink(temporary.c_str());
  return ok;
}

bool PartFile::finish(std::string& failure) const {
  if (::rename(partPath_.c_str(), videoPath_.c_str()) != 0) {
    const std::string cause = std::strerror(errno);  // before anything else may set errno
    failure = common::fillIn(resources::translate("PartFile", "Cannot rename \"%1\" to \"%2\": %3"),
                             {partPath_, videoPath_, cause});
    return false;
  }
  forgetValidators();
  return true;
}

void PartFile::discard() const {
  // Only a plain file goes; a link, a FIFO or a device under the part's name is left alone.
  if (isRegularFile(partPath_)) ::unlink(partPath_.c_str());
  forgetValidators();
}

void PartFile::forgetValidators() const {
  if (isRegularFile(infoPath_)) ::unlink(infoPath_.c_str());
}

}  // namespace download

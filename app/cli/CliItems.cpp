#include "app/cli/CliItems.h"

#include "common/Text.h"
#include "queue/AddressList.h"
#include "resources/Translations.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace cli {
namespace {

std::string lineKey(const std::string& source, const std::string& format) {
  return source + '\t' + format;
}

bool writeAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

CliItems collectItems(const CliOptions& options, Terminal& terminal) {
  CliItems result;
  std::unordered_set<std::string> seen;
  const auto take = [&](const std::string& text) {
    if (seen.insert(text).second) result.items.push_back({.text = text});
  };
  for (const std::string& item : options.items) take(item);
  for (const std::string& file : options.listFiles) {
    const std::string name = file == "-" ? resources::translate("CliItems", "standard input") : file;
    result.readStdin = result.readStdin || file == "-";
    const queue::AddressList list = queue::readAddressFile(file);
    for (const queue::AddressList::Rejected& rejected : list.rejected)
      terminal.message(
          common::fillIn(resources::translate("CliItems", "%1, line %2: %3: %4"),
                         {name, std::to_string(rejected.line), rejected.reason, oneLine(rejected.text)}));
    if (!list.error.empty()) terminal.message(name + ": " + list.error);
    result.listFailed = result.listFailed || !list.rejected.empty() || !list.error.empty();
    const std::size_t before = result.items.size();
    for (const queue::AddressList::Entry& entry : list.entries) take(entry.text);
    const std::size_t repeats =
        list.entries.size() - (result.items.size() - before) + static_cast<std::size_t>(list.duplicates);
    if (repeats > 0)
      terminal.line(
          repeats == 1
              ? common::fillIn(resources::translate("CliItems", "%1: 1 repeated line taken once"), {name})
              : common::fillIn(resources::translate("CliItems", "%1: %2 repeated lines taken once"),
                               {name, std::to_string(repeats)}));
  }
  return result;
}

bool FinishedArchive::load(const std::string& path, std::string& error) {
  path_ = path;
  lines_.clear();
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return true;
    const std::string cause = std::strerror(errno);  // before anything else may set errno
    error =
        common::fillIn(resources::translate("CliItems", "the archive %1 cannot be read: %2"), {path, cause});
    return false;
  }
  std::string text;
  char buffer[64 * 1024];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const std::string cause = std::strerror(errno);  // before anything else may set errno
      error = common::fillIn(resources::translate("CliItems", "the archive %1 cannot be read: %2"),
                             {path, cause});
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    if (text.size() + static_cast<std::size_t>(n) > kMaxFile) {
      error = common::fillIn(resources::translate("CliItems", "the archive %1 is larger than %2 MB"),
                             {path, std::to_string(kMaxFile / (1024 * 1024))});
      ::close(fd);
      return false;
    }
    text.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  needsLineBreak_ = !text.empty() && text.back() != '\n';
  for (std::size_t at = 0; at < text.size();) {
    std::size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    at = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t tab = line.find('\t');
    if (line.size() > kMaxLine || tab == std::string::npos || tab == 0 || tab + 1 == line.size() ||
        line.find('\t', tab + 1) != std::string::npos)
      continue;
    lines_.insert(std::move(line));
  }
  return true;
}

bool FinishedArchive::holds(const std::string& source, const std::string& format) const {
  return lines_.contains(lineKey(source, format));
}

bool FinishedArchive::add(const std::string& source, const std::string& format, std::string& error) {
  const std::string key = lineKey(source, format);
  if (source.empty() || format.empty() || key.size() > kMaxLine ||
      key.find_first_of("\r\n") != std::string::npos || source.find('\t') != std::string::npos ||
      format.find('\t') != std::string::npos)
    return true;
  if (lines_.contains(key)) return true;
  // One write of the whole line, appended: two copies writing the same archive do not mix their lines.
  const int fd = ::open(path_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0 || !writeAll(fd, (needsLineBreak_ ? "\n" : "") + key + '\n')) {
    const std::string cause = std::strerror(errno);  // before anything else may set errno
    error = common::fillIn(resources::translate("CliItems", "the archive %1 cannot be written: %2"),
                           {path_, cause});
    if (fd >= 0) ::close(fd);
    return false;
  }
  ::close(fd);
  needsLineBreak_ = false;
  lines_.insert(key);
  return true;
}

std::string archiveFileKey(const std::string& file) {
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(file, error);
  return error ? file : absolute.lexically_normal().string();
}

}  // namespace cli

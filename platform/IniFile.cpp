#include "platform/IniFile.h"

#include "common/Text.h"
#include "platform/SmallFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <sstream>

namespace platform {
namespace {

constexpr std::size_t kMaxFileSize = 1 << 20;  // a settings file is tiny; anything larger is not ours

std::string unquote(const std::string& v) {
  if (v.size() >= 2 && v.front() == '"' && v.back() == '"') return v.substr(1, v.size() - 2);
  return v;
}

bool needsQuotes(const std::string& v) {
  if (v.empty()) return false;
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  return blank(v.front()) || blank(v.back()) || v.front() == '"';
}

// Values are one line; line breaks inside a value would split it, so they become blanks.
std::string oneLine(std::string v) {
  std::replace_if(
      v.begin(), v.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
  return v;
}

bool writeAll(int fd, const std::string& data) {
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

IniFile::IniFile(std::string path) : path_(std::move(path)) {
  load();
}

void IniFile::load() {
  std::optional<std::string> read = readFileStart(path_, kMaxFileSize + 1);
  if (!read || read->size() > kMaxFileSize) return;
  std::string& text = *read;
  if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);

  std::istringstream lines(text);
  std::string line;
  Section* current = nullptr;
  while (std::getline(lines, line)) {
    const std::string trimmed = common::trim(line, common::Trim::Whitespace);
    if (trimmed.empty() || trimmed[0] == ';' || trimmed[0] == '#') continue;
    if (trimmed.front() == '[' && trimmed.back() == ']') {
      const std::string name = common::trim(trimmed.substr(1, trimmed.size() - 2), common::Trim::Whitespace);
      auto it = std::find_if(sections_.begin(), sections_.end(),
                             [&](const Section& s) { return common::equalsNoCase(s.name, name); });
      current = it != sections_.end() ? &*it : &sections_.emplace_back(Section{name, {}});
      continue;
    }
    const std::size_t eq = trimmed.find('=');
    if (current == nullptr || eq == std::string::npos || eq == 0) continue;
    const std::string key = common::trim(trimmed.substr(0, eq), common::Trim::Whitespace);
    const std::string value = unquote(common::trim(trimmed.substr(eq + 1), common::Trim::Whitespace));
    auto it = std::find_if(current->values.begin(), current->values.end(),
                           [&](const auto& kv) { return common::equalsNoCase(kv.first, key); });
    if (it == current->values.end()) current->values.emplace_back(key, value);  // first one wins
  }
}

const std::string* IniFile::find(const std::string& section, const std::string& key) const {
  for (const Section& s : sections_) {
    if (!common::equalsNoCase(s.name, section)) continue;
    for (const auto& kv : s.values) {
      if (common::equalsNoCase(kv.first, key)) return &kv.second;
    }
  }
  return nullptr;
}

std::string IniFile::readString(const std::string& section, const std::string& key,
                                const std::string& def) const {
  const std::string* value = find(section, key);
  return value != nullptr ? *value : def;
}

int IniFile::readInteger(const std::string& section, const std::string& key, int def) const {
  const std::string* value = find(section, key);
  if (value == nullptr) return def;
  const std::string text = common::trim(*value, common::Trim::Whitespace);
  const char* begin = text.data();
  if (!text.empty() && text[0] == '+') ++begin;
  int result = 0;
  const auto [end, ec] = std::from_chars(begin, text.data() + text.size(), result);
  return ec == std::errc() && end == text.data() + text.size() && begin != end ? result : def;
}

void IniFile::writeString(const std::string& section, const std::string& key, const std::string& value) {
  auto sec = std::find_if(sections_.begin(), sections_.end(),
                          [&](const Section& s) { return common::equalsNoCase(s.name, section); });
  if (sec == sections_.end()) sec = sections_.insert(sections_.end(), Section{section, {}});
  auto kv = std::find_if(sec->values.begin(), sec->values.end(),
                         [&](const auto& p) { return common::equalsNoCase(p.first, key); });
  if (kv == sec->values.end()) {
    sec->values.emplace_back(key, oneLine(value));
  } else {
    kv->second = oneLine(value);
  }
}

void IniFile::writeInteger(const std::string& section, const std::string& key, int value) {
  writeString(section, key, std::to_string(value));
}

bool IniFile::updateFile() const {
  std::string text;
  for (const Section& s : sections_) {
    text += "[" + s.name + "]\n";
    for (const auto& [key, value] : s.values)
      text += key + "=" + (needsQuotes(value) ? "\"" + value + "\"" : value) + "\n";
    text += "\n";
  }
  std::string temp = path_ + ".XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return false;
  const bool written = writeAll(fd, text) && ::fsync(fd) == 0;
  ::fchmod(fd, 0644);
  if (::close(fd) != 0 || !written || std::rename(temp.c_str(), path_.c_str()) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  return true;
}

}  // namespace platform

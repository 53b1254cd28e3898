#include "queue/AddressList.h"

#include "common/Addresses.h"
#include "common/Text.h"
#include "resources/Translations.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <unordered_set>

namespace queue {
namespace {

constexpr std::size_t kShownLength = 80;

// The length of the valid UTF-8 sequence starting at `at`, 0 when there is none.
std::size_t utf8Length(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  std::size_t length = 0;
  unsigned int lowest = 0;
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    lowest = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    lowest = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    lowest = 0x10000;
  } else {
    return 0;
  }
  if (at + length > text.size()) return 0;
  unsigned int code = lead & (0xFFu >> (length + 1));
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return 0;
    code = (code << 6) | (byte(at + i) & 0x3F);
  }
  if (code < lowest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

// Why the line cannot be an address or a file; empty when it can.
std::string problemOf(std::string_view line) {
  if (line.size() > AddressList::kMaxLine)
    return common::fillIn(resources::translate("AddressList", "longer than %1 bytes"),
                          {std::to_string(AddressList::kMaxLine)});
  for (std::size_t at = 0; at < line.size();) {
    const unsigned char c = static_cast<unsigned char>(line[at]);
    if (c < 0x20 || c == 0x7F) return resources::translate("AddressList", "control character");
    const std::size_t length = utf8Length(line, at);
    if (length == 0) return resources::translate("AddressList", "not UTF-8 text");
    at += length;
  }
  // Something with a scheme is an address, and only a web address will do.
  if (line.find("://") != std::string_view::npos && !common::isWebAddress(std::string(line))) {
    return resources::translate("AddressList", "not an http or https address");
  }
  return {};
}

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
}

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::string shown(std::string_view line) {
  std::string text(line.substr(0, kShownLength));
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  }
  if (line.size() > kShownLength) text += "...";
  return text;
}

}  // namespace

AddressList readAddressList(std::string_view text) {
  AddressList list;
  std::unordered_set<std::string_view> seen;
  int number = 0;
  // A byte-order mark at the start is no part of the first line.
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view raw = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    ++number;
    const std::string_view line = trimmed(raw);
    if (line.empty() || line.front() == '#') continue;
    if (std::string problem = problemOf(line); !problem.empty()) {
      list.rejected.push_back({number, shown(line), std::move(problem)});
      continue;
    }
    if (!seen.insert(line).second) {
      ++list.duplicates;
      continue;
    }
    if (list.entries.size() == AddressList::kMaxEntries) {
      list.error = common::fillIn(
          resources::translate("AddressList", "more than %1 entries; the list stops at line %2"),
          {std::to_string(AddressList::kMaxEntries), std::to_string(number)});
      break;
    }
    const bool address =
        line.find("://") != std::string_view::npos || common::isVideoPageUrl(std::string(line));
    list.entries.push_back({address ? AddressList::Entry::Kind::Address : AddressList::Entry::Kind::File,
                            std::string(line), number});
  }
  return list;
}

AddressList readAddressFile(const std::string& path) {
  AddressList list;
  const bool standardInput = path == "-";
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> owned(
      standardInput ? nullptr : std::fopen(path.c_str(), "rb"), &std::fclose);
  std::FILE* file = standardInput ? stdin : owned.get();
  const int openError = errno;  // before the translation below may set it
  const std::string name = standardInput ? resources::translate("AddressList", "standard input") : path;
  if (file == nullptr) {
    list.error = name + ": " + std::strerror(openError);
    return list;
  }
  std::string text;
  char buffer[64 * 1024];
  for (;;) {
    const std::size_t got = std::fread(buffer, 1, sizeof buffer, file);
    if (got == 0) break;
    if (text.size() + got > AddressList::kMaxFile) {
      list.error = common::fillIn(resources::translate("AddressList", "%1: larger than %2 MiB"),
                                  {name, std::to_string(AddressList::kMaxFile / (1024 * 1024))});
      return list;
    }
    text.append(buffer, got);
  }
  if (std::ferror(file) != 0) {
    list.error = name + ": " + std::strerror(errno);
    return list;
  }
  return readAddressList(text);
}

}  // namespace queue

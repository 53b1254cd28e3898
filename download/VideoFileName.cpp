#include "download/VideoFileName.h"

#include "common/Files.h"
#include "common/Text.h"

#include <algorithm>
#include <cstdint>

namespace download {
namespace {

constexpr std::string_view kReplacementChar = "\xEF\xBF\xBD";  // U+FFFD

bool isBlankOrControl(char c) {
  return static_cast<unsigned char>(c) <= 0x20;
}

// Valid UTF-8 with control characters as blanks.
std::string cleanCharacters(std::string_view text) {
  std::string clean;
  clean.reserve(text.size());
  while (!text.empty()) {
    const std::size_t length = common::utf8SequenceLength(text);
    if (length == 0) {
      clean += kReplacementChar;
      text.remove_prefix(1);
    } else {
      if (length == 1 && (isBlankOrControl(text[0]) || text[0] == '\x7f')) {
        clean += ' ';
      } else {
        clean.append(text.substr(0, length));
      }
      text.remove_prefix(length);
    }
  }
  return clean;
}

// Cuts valid UTF-8 to at most `limit` bytes without splitting a character.
void cutAtCharacter(std::string& text, std::size_t limit) {
  if (text.size() <= limit) return;
  std::size_t cut = limit;
  while (cut > 0 && (static_cast<std::uint8_t>(text[cut]) & 0xC0) == 0x80) --cut;
  text.resize(cut);
}

}  // namespace

std::string replaceAll(std::string_view text, std::string_view oldText, std::string_view newText) {
  if (oldText.empty()) return std::string(text);
  std::string out;
  out.reserve(text.size());
  if (newText.size() >= oldText.size()) {
    for (std::size_t pos = 0;;) {
      const std::size_t found = text.find(oldText, pos);
      out.append(text.substr(pos, found == std::string_view::npos ? std::string_view::npos : found - pos));
      if (found == std::string_view::npos) return out;
      out.append(newText);
      pos = found + oldText.size();
    }
  }
  // The text before the first occurrence never changes, and occurrences of one length are ordered the
  // same by where they start and by where they end. So the text is read once into `out`; when `out`
  // ends with `oldText` that is the first occurrence: it is dropped and `newText` is read again before
  // the rest of the text, which is where the restarted search would find anything it builds.
  std::string pending;  // replacement text still to read, last character first
  std::size_t next = 0;
  while (!pending.empty() || next < text.size()) {
    if (!pending.empty()) {
      out.push_back(pending.back());
      pending.pop_back();
    } else {
      out.push_back(text[next++]);
    }
    if (out.size() >= oldText.size() &&
        std::string_view(out).substr(out.size() - oldText.size()) == oldText) {
      out.resize(out.size() - oldText.size());
      pending.append(newText.rbegin(), newText.rend());
    }
  }
  return out;
}

std::string makeFileName(std::string_view stem, std::string_view extension) {
  std::string name = common::removeBadFileChars(cleanCharacters(common::trim(stem)));
  const std::size_t visible = name.find_first_not_of(". ");  // a leading dot would hide the file
  if (visible == std::string::npos) return {};
  name.erase(0, visible);
  cutAtCharacter(name, kMaxFileNameBytes > extension.size() ? kMaxFileNameBytes - extension.size() : 0);
  if (common::trim(name).empty()) return {};
  return name.append(extension);
}

DownloadNames downloadNames(std::string_view fileName, std::string_view audioExtension,
                            std::size_t videoEndingRoom) {
  const std::size_t dot = fileName.rfind('.');
  const bool hasExtension = dot != std::string_view::npos && dot > 0;
  std::string stem(hasExtension ? fileName.substr(0, dot) : fileName);
  std::string videoEnding(hasExtension ? fileName.substr(dot) : std::string_view());
  if (!audioExtension.empty() && common::equalsNoCase(videoEnding, audioExtension))
    videoEnding = ".video" + videoEnding;
  const std::size_t longestEnding = std::max(videoEnding.size() + videoEndingRoom, audioExtension.size());
  cutAtCharacter(stem, kMaxFileNameBytes > longestEnding ? kMaxFileNameBytes - longestEnding : 0);
  DownloadNames names{.video = stem + videoEnding, .audio = {}};
  if (!audioExtension.empty()) names.audio = stem + std::string(audioExtension);
  return names;
}

std::string titleToFileName(std::string_view title, std::string_view extension) {
  std::string text = replaceAll(title, "&amp;", "&");
  text = replaceAll(text, "&quot;", "");
  text = replaceAll(text, "&lt;", "");
  text = replaceAll(text, "&gt;", "");
  text = replaceAll(text, "&nbsp;", " ");
  text = replaceAll(text, "&copy;", "@");
  return makeFileName(text, extension);
}

}  // namespace download

namespace download {
namespace {

void appendUtf8(std::string& out, std::uint32_t code) {
  if (code < 0x80) {
    out.push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (code >> 6)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else if (code < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (code >> 12)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (code >> 18)));
    out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

// The character of a numeric reference's digits ("233", "xE9"); 0 when it names none that a title
// can hold (a control character, a surrogate, past U+10FFFF, or not a number).
std::uint32_t numericReference(std::string_view digits) {
  const bool hex = !digits.empty() && (digits[0] == 'x' || digits[0] == 'X');
  if (hex) digits.remove_prefix(1);
  if (digits.empty() || digits.size() > 8) return 0;
  std::uint32_t code = 0;
  for (const char c : digits) {
    int digit = -1;
    if (c >= '0' && c <= '9') digit = c - '0';
    if (hex && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    if (hex && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    if (digit < 0) return 0;
    code = code * (hex ? 16 : 10) + static_cast<std::uint32_t>(digit);
  }
  if (code < 0x20 || (code >= 0x7F && code < 0xA0) || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)
    return 0;
  return code;
}

}  // namespace

std::string titleText(std::string_view title) {
  static const struct {
    std::string_view name;
    std::string_view text;
  } kNamed[] = {
      {"amp", "&"}, {"quot", "\""}, {"apos", "'"},      {"lt", "<"},
      {"gt", ">"},  {"nbsp", " "},  {"copy", "\u00A9"}, {"reg", "\u00AE"},
  };
  std::string decoded;
  decoded.reserve(title.size());
  std::size_t at = 0;
  while (at < title.size()) {
    const std::size_t amp = title.find('&', at);
    if (amp == std::string_view::npos) {
      decoded.append(title.substr(at));
      break;
    }
    decoded.append(title.substr(at, amp - at));
    at = amp + 1;
    const std::size_t semicolon = title.find(';', amp);
    if (semicolon == std::string_view::npos || semicolon - amp > 10) {
      decoded.push_back('&');
      continue;
    }
    const std::string_view name = title.substr(amp + 1, semicolon - amp - 1);
    std::string_view text;
    std::string numeric;
    if (!name.empty() && name[0] == '#') {
      if (const std::uint32_t code = numericReference(name.substr(1)); code != 0) {
        appendUtf8(numeric, code);
        text = numeric;
      }
    } else {
      for (const auto& entity : kNamed)
        if (entity.name == name) text = entity.text;
    }
    if (text.empty()) {
      decoded.push_back('&');  // not a reference this knows: kept as written
      continue;
    }
    decoded.append(text);
    at = semicolon + 1;
  }
  return common::trim(cleanCharacters(decoded));
}

}  // namespace download

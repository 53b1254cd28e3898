// What every output of the stream resolver must give, shared by the fuzz target and the replay of its
// saved cases: a stream address of http: or https: without blanks or control characters, request
// fields that cannot break the request header, an extension of letters and digits, or a reason; and,
// read as its error output, one short printable line.
#pragma once

#include "common/Text.h"
#include "download/ResolverOutput.h"

#include <algorithm>
#include <cstdint>
#include <string>

namespace fuzzing {

inline bool hasControl(const std::string& text, bool tabAllowed) {
  return std::any_of(text.begin(), text.end(), [&](char c) {
    const auto u = static_cast<unsigned char>(c);
    return (u < 0x20 && !(tabAllowed && c == '\t')) || u == 0x7f;
  });
}

// Empty when the reader behaved; otherwise what went wrong.
inline std::string checkResolverOutput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  // The same bytes as the resolver's error output: the line told is one short line of printable text.
  const std::string line = download::lastErrorLine(input);
  if (line.size() > 300) return "error line too long";
  if (hasControl(line, false)) return "error line with control characters";
  const download::ResolverAnswer answer = download::readResolverOutput(input);
  if (!answer.found) return answer.error.empty() ? "no stream and no reason" : "";
  const std::string& url = answer.stream.url;
  if (!common::startsWithNoCase(url, "http://") && !common::startsWithNoCase(url, "https://"))
    return "address not http: or https:";
  if (url.size() > download::kMaxStreamUrl) return "address too long";
  if (hasControl(url, false) || url.find(' ') != std::string::npos) return "address with blanks or controls";
  if (answer.stream.headers.size() > download::kMaxStreamHeaders) return "too many header fields";
  for (const auto& [name, value] : answer.stream.headers) {
    if (name.empty() || hasControl(name, false) || name.find_first_of(" :") != std::string::npos)
      return "unsafe field name";
    if (hasControl(value, true)) return "unsafe field value";
  }
  for (char c : answer.stream.ext)
    if (!std::isalnum(static_cast<unsigned char>(c))) return "unsafe extension";
  return "";
}

}  // namespace fuzzing

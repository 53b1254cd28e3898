// What every input to the CONNECT answer reader must satisfy, shared by the fuzz target and the replay of
// its saved cases: the same verdict whole and byte by byte, never more taken than the header block, and
// the hold capped.
#pragma once

#include "net/http/ConnectReply.h"

#include <cstdint>
#include <string>

namespace fuzzing {

// Empty when the reader behaved; otherwise what went wrong.
inline std::string checkConnectReply(const std::uint8_t* data, std::size_t size) {
  const char* bytes = reinterpret_cast<const char*>(data);
  http::ConnectReply whole;
  const std::size_t takenWhole = whole.take(bytes, size);
  if (takenWhole > size) return "took more than it was given";
  if (takenWhole > http::ConnectReply::kMaxReply) return "took more than the cap";
  if (whole.status() == http::ConnectReply::Status::Incomplete && takenWhole != size)
    return "left bytes while still incomplete";
  http::ConnectReply split;
  std::size_t takenSplit = 0;
  for (std::size_t i = 0; i < size; ++i) {
    const std::size_t n = split.take(bytes + i, 1);
    takenSplit += n;
    if (n == 0) break;
  }
  if (split.status() != whole.status()) return "byte by byte ends differently";
  if (takenSplit != takenWhole) return "byte by byte takes a different count";
  if (whole.status() == http::ConnectReply::Status::Complete) {
    if (whole.statusCode() < 100 || whole.statusCode() > 999) return "status code out of range";
    if (whole.statusCode() != split.statusCode() || whole.statusText() != split.statusText())
      return "byte by byte reads a different status";
    if (whole.statusText().find('\n') != std::string::npos) return "status text holds a line break";
  }
  if (whole.status() == http::ConnectReply::Status::Failed && whole.errorText().empty())
    return "failed without a reason";
  return "";
}

}  // namespace fuzzing

#include "net/http/ConnectReply.h"

namespace http {

void ConnectReply::reset() {
  status_ = Status::Incomplete;
  held_.clear();
  statusCode_ = 0;
  statusText_.clear();
  errorText_.clear();
}

std::size_t ConnectReply::take(const char* data, std::size_t len) {
  std::size_t taken = 0;
  while (status_ == Status::Incomplete && taken < len) {
    const char c = data[taken++];
    held_.push_back(c);
    // The block ends with an empty line: "\n\n" or "\r\n\r\n" (a lone "\r" before "\n" is allowed).
    if (c == '\n') {
      const std::size_t n = held_.size();
      const bool blank =
          (n >= 2 && held_[n - 2] == '\n') || (n >= 3 && held_[n - 2] == '\r' && held_[n - 3] == '\n');
      if (blank) {
        complete();
        break;
      }
    }
    if (held_.size() >= kMaxReply) fail("the proxy's answer to CONNECT is too long");
  }
  return taken;
}

void ConnectReply::complete() {
  std::string line = held_.substr(0, held_.find('\n'));
  if (!line.empty() && line.back() == '\r') line.pop_back();
  // "HTTP/1.x NNN text"
  if (line.size() < 12 || line.compare(0, 7, "HTTP/1.") != 0 || line[8] != ' ') {
    fail("the proxy's answer to CONNECT is not HTTP");
    return;
  }
  int code = 0;
  for (std::size_t i = 9; i < 12; ++i) {
    if (line[i] < '0' || line[i] > '9') {
      fail("the proxy's answer to CONNECT has no status code");
      return;
    }
    code = code * 10 + (line[i] - '0');
  }
  if (code < 100 || (line.size() > 12 && line[12] != ' ')) {
    fail("the proxy's answer to CONNECT has no status code");
    return;
  }
  statusCode_ = code;
  statusText_ = line.size() > 13 ? line.substr(13) : "";
  status_ = Status::Complete;
}

void ConnectReply::fail(std::string text) {
  errorText_ = std::move(text);
  status_ = Status::Failed;
}

}  // namespace http

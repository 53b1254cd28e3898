// The answer of an HTTP proxy to CONNECT, gathered and checked as it arrives: a status line and header
// fields up to the blank line. take() accepts bytes only up to the end of that block, so whatever follows
// (the tunnelled stream) stays with the caller. The block is capped at kMaxReply bytes.
#pragma once

#include <cstddef>
#include <string>

namespace http {

class ConnectReply {
 public:
  enum class Status { Incomplete, Complete, Failed };

  static constexpr std::size_t kMaxReply = 16 * 1024;

  // Starts gathering a new answer.
  void reset();
  // Takes bytes of `data` up to the end of the header block; returns how many were taken.
  std::size_t take(const char* data, std::size_t len);

  Status status() const { return status_; }
  // Once complete: the status code (100..599) and the line's text after it ("Connection established").
  int statusCode() const { return statusCode_; }
  const std::string& statusText() const { return statusText_; }
  // Once failed: why the answer cannot be read.
  const std::string& errorText() const { return errorText_; }

 private:
  void complete();
  void fail(std::string text);

  Status status_ = Status::Incomplete;
  std::string held_;
  int statusCode_ = 0;
  std::string statusText_;
  std::string errorText_;
};

}  // namespace http

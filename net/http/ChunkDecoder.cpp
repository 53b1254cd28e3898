#include "net/http/ChunkDecoder.h"

#include <algorithm>

namespace http {
namespace {

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

ChunkDecoder::Result ChunkDecoder::fail(Error e) {
  step_ = Step::Failed;
  error_ = e;
  return Result::Failed;
}

const char* ChunkDecoder::errorText() const {
  switch (error_) {
    case Error::None:
      return "";
    case Error::SizeTooLong:
      return "Bad chunked body: chunk size too large";
    case Error::NoSizeDigits:
      return "Bad chunked body: chunk size line without hex digits";
    case Error::ExtensionTooLong:
      return "Bad chunked body: chunk size line too long";
    case Error::NoLineEnd:
      return "Bad chunked body: missing line end after chunk data";
    case Error::TrailerTooLong:
      return "Bad chunked body: trailer too long";
  }
  return "";
}

ChunkDecoder::Result ChunkDecoder::feed(const char* data, std::size_t len, std::size_t& consumed,
                                        const DataSink& sink) {
  std::size_t i = 0;
  consumed = 0;
  if (step_ == Step::Done) return Result::Done;
  if (step_ == Step::Failed) return Result::Failed;
  while (i < len) {
    char c = data[i];
    switch (step_) {
      case Step::Size: {
        int v = hexValue(c);
        if (v >= 0) {
          if (++digits_ > kMaxSizeDigits) return consumed = i, fail(Error::SizeTooLong);
          size_ = size_ * 16 + static_cast<unsigned>(v);
          ++i;
          break;
        }
        if (digits_ == 0) return consumed = i, fail(Error::NoSizeDigits);
        step_ = Step::Extension;  // this byte is read by the extension step
        skipped_ = 0;
        break;
      }
      case Step::Extension:
        ++i;
        if (c == '\n') {
          step_ = size_ == 0 ? Step::Trailer : Step::Data;
          skipped_ = 0;
          lineLength_ = 0;
        } else if (++skipped_ > kMaxExtension) {
          return consumed = i, fail(Error::ExtensionTooLong);
        }
        break;
      case Step::Data: {
        std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(size_ - received_, len - i));
        if (n > 0) sink(data + i, n);
        received_ += n;
        i += n;
        if (received_ == size_) step_ = Step::DataEnd;
        break;
      }
      case Step::DataEnd:
      case Step::DataEndLf:
        if (c == '\r' && step_ == Step::DataEnd) {
          step_ = Step::DataEndLf;
        } else if (c == '\n') {
          step_ = Step::Size;
          size_ = received_ = 0;
          digits_ = 0;
        } else {
          return consumed = i, fail(Error::NoLineEnd);
        }
        ++i;
        break;
      case Step::Trailer:
        // Trailer fields are read past, up to the empty line that ends the body.
        ++i;
        if (++skipped_ > kMaxTrailer) return consumed = i, fail(Error::TrailerTooLong);
        if (c == '\n') {
          if (lineLength_ == 0) {
            step_ = Step::Done;
            consumed = i;
            return Result::Done;
          }
          lineLength_ = 0;
        } else if (c != '\r') {
          ++lineLength_;
        }
        break;
      case Step::Done:
        consumed = i;
        return Result::Done;
      case Step::Failed:
        consumed = i;
        return Result::Failed;
    }
  }
  consumed = i;
  return Result::NeedMore;
}

}  // namespace http

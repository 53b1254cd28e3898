// Decoder of the chunked transfer coding. It is resumable: feed() takes any fragment of the body, down to
// single bytes, and carries its state to the next call. Every way the framing can go wrong ends in a
// named error instead of wrong data; nothing it holds grows with the input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace http {

class ChunkDecoder {
 public:
  enum class Step { Size, Extension, Data, DataEnd, DataEndLf, Trailer, Done, Failed };
  enum class Error { None, SizeTooLong, NoSizeDigits, ExtensionTooLong, NoLineEnd, TrailerTooLong };
  enum class Result { NeedMore, Done, Failed };

  static constexpr int kMaxSizeDigits = 15;           // keeps the size below 2^60
  static constexpr std::size_t kMaxExtension = 4096;  // bytes after the size, up to the line end
  static constexpr std::size_t kMaxTrailer = 64 * 1024;

  using DataSink = std::function<void(const char* data, std::size_t len)>;

  void reset() { *this = ChunkDecoder(); }
  // Decodes from data[0..len); chunk data goes to `sink` as it is found. `consumed` receives the bytes
  // used: all of them unless the body ended (Done) or failed inside the fragment.
  Result feed(const char* data, std::size_t len, std::size_t& consumed, const DataSink& sink);

  Step currentStep() const { return step_; }
  Error lastError() const { return error_; }
  const char* errorText() const;

 private:
  Result fail(Error e);

  Step step_ = Step::Size;
  Error error_ = Error::None;
  std::uint64_t size_ = 0;
  std::uint64_t received_ = 0;
  int digits_ = 0;
  std::size_t skipped_ = 0;     // bytes of the extension or trailer read so far
  std::size_t lineLength_ = 0;  // bytes of the current trailer line, carriage returns not counted
};

}  // namespace http

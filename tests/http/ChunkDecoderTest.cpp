// The chunk decoder on its own: what it hands on, where it stops, and its errors.
#include "net/http/ChunkDecoder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using http::ChunkDecoder;

struct Fed {
  std::string data;
  ChunkDecoder::Result result;
  std::size_t consumed;  // of the last feed()
};

Fed feedInPieces(const std::string& body, std::size_t piece) {
  ChunkDecoder d;
  Fed out{"", ChunkDecoder::Result::NeedMore, 0};
  for (std::size_t at = 0; at < body.size() && out.result == ChunkDecoder::Result::NeedMore; at += piece) {
    std::string part = body.substr(at, piece);
    out.result = d.feed(part.data(), part.size(), out.consumed,
                        [&](const char* p, std::size_t n) { out.data.append(p, n); });
  }
  return out;
}

TEST(ChunkDecoder, StopsRightAfterTheLastChunkAndLeavesTheRest) {
  std::string body = "3\r\nabc\r\n0\r\n\r\nNEXT";
  ChunkDecoder d;
  std::size_t consumed = 0;
  std::string out;
  auto r =
      d.feed(body.data(), body.size(), consumed, [&](const char* p, std::size_t n) { out.append(p, n); });
  EXPECT_EQ(r, ChunkDecoder::Result::Done);
  EXPECT_EQ(out, "abc");
  EXPECT_EQ(body.substr(consumed), "NEXT");
  // A finished decoder takes nothing more.
  EXPECT_EQ(d.feed("x", 1, consumed, [](const char*, std::size_t) {}), ChunkDecoder::Result::Done);
  EXPECT_EQ(consumed, 0u);
}

TEST(ChunkDecoder, ErrorsAreNamed) {
  struct {
    std::string body;
    ChunkDecoder::Error error;
  } cases[] = {
      {"1234567890abcdef0\r\n", ChunkDecoder::Error::SizeTooLong},
      {";ext\r\n", ChunkDecoder::Error::NoSizeDigits},
      {"\r\n", ChunkDecoder::Error::NoSizeDigits},
      {"1\r\nab\r\n", ChunkDecoder::Error::NoLineEnd},
      {"1\r\na\r\r\n", ChunkDecoder::Error::NoLineEnd},
      {"1 " + std::string(5000, ' ') + "\r\n", ChunkDecoder::Error::ExtensionTooLong},
      {"0\r\n" + std::string(70000, 't'), ChunkDecoder::Error::TrailerTooLong},
  };
  for (const auto& c : cases) {
    for (std::size_t piece : {std::size_t{1}, std::size_t{1000000}}) {
      Fed f = feedInPieces(c.body, piece);
      EXPECT_EQ(f.result, ChunkDecoder::Result::Failed) << c.body.substr(0, 20);
    }
    ChunkDecoder d;
    std::size_t consumed;
    d.feed(c.body.data(), c.body.size(), consumed, [](const char*, std::size_t) {});
    EXPECT_EQ(d.lastError(), c.error) << c.body.substr(0, 20);
    EXPECT_NE(std::string(d.errorText()), "");
  }
}

TEST(ChunkDecoder, LargestSizeDoesNotWrap) {
  // Fifteen hex digits are accepted; the chunk is simply longer than what follows.
  Fed f = feedInPieces("fffffffffffffff\r\nabc", 2);
  EXPECT_EQ(f.result, ChunkDecoder::Result::NeedMore);
  EXPECT_EQ(f.data, "abc");
}

}  // namespace

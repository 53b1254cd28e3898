// The reader of an HTTP proxy's answer to CONNECT: a table of answers read whole and byte by byte, what
// follows the header block left to the caller, the cap, and the saved fuzz cases replayed.
#include "fuzz/ConnectReplyFuzzCheck.h"

#include "net/http/ConnectReply.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

using http::ConnectReply;
using Status = ConnectReply::Status;

struct Case {
  std::string input;
  Status status;
  int code;
  std::string text;   // status text, or the failure's reason
  std::size_t taken;  // bytes taken of input
};

TEST(ConnectReplyTest, AnswersReadWholeAndByteByByte) {
  const std::string established = "HTTP/1.1 200 Connection established\r\nProxy-Agent: x\r\n\r\n";
  const Case cases[] = {
      {established + "\x16\x03", Status::Complete, 200, "Connection established", established.size()},
      {"HTTP/1.0 407 Proxy Authentication Required\r\n\r\n", Status::Complete, 407,
       "Proxy Authentication Required", 46},
      {"HTTP/1.1 200\n\nTLS", Status::Complete, 200, "", 14},
      {"HTTP/1.1 200 OK\r\n", Status::Incomplete, 0, "", 17},
      {"SSH-2.0-x\r\n\r\n", Status::Failed, 0, "the proxy's answer to CONNECT is not HTTP", 13},
      {"HTTP/1.1 2x0 OK\r\n\r\n", Status::Failed, 0, "the proxy's answer to CONNECT has no status code", 19},
      {"HTTP/1.1 099 OK\r\n\r\n", Status::Failed, 0, "the proxy's answer to CONNECT has no status code", 19},
      {"HTTP/1.1 2000 OK\r\n\r\n", Status::Failed, 0, "the proxy's answer to CONNECT has no status code", 20},
  };
  for (const Case& c : cases) {
    for (bool byByte : {false, true}) {
      SCOPED_TRACE(c.input + (byByte ? " byte by byte" : " whole"));
      ConnectReply reply;
      std::size_t taken = 0;
      if (byByte) {
        for (char ch : c.input) {
          const std::size_t n = reply.take(&ch, 1);
          taken += n;
          if (n == 0) break;
        }
      } else {
        taken = reply.take(c.input.data(), c.input.size());
      }
      EXPECT_EQ(reply.status(), c.status);
      EXPECT_EQ(taken, c.taken);
      if (c.status == Status::Complete) {
        EXPECT_EQ(reply.statusCode(), c.code);
        EXPECT_EQ(reply.statusText(), c.text);
      } else if (c.status == Status::Failed) {
        EXPECT_EQ(reply.errorText(), c.text);
      }
    }
  }
}

TEST(ConnectReplyTest, AnEndlessHeaderIsCapped) {
  ConnectReply reply;
  const std::string line = "HTTP/1.1 200 OK\r\n" + std::string(ConnectReply::kMaxReply * 2, 'x');
  EXPECT_EQ(reply.take(line.data(), line.size()), ConnectReply::kMaxReply);
  EXPECT_EQ(reply.status(), Status::Failed);
  EXPECT_EQ(reply.errorText(), "the proxy's answer to CONNECT is too long");
  reply.reset();
  EXPECT_EQ(reply.status(), Status::Incomplete);
}

TEST(ConnectReplyTest, SavedFuzzCasesReplay) {
  int replayed = 0;
  for (const auto& entry : std::filesystem::directory_iterator(CLIPWAVE_CONNECT_REPLY_FUZZ_CASES)) {
    std::ifstream in(entry.path(), std::ios::binary);
    const std::string input((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(fuzzing::checkConnectReply(reinterpret_cast<const std::uint8_t*>(input.data()), input.size()),
              "")
        << entry.path();
    ++replayed;
  }
  EXPECT_GT(replayed, 0);
}

}  // namespace

// The SOCKS requests as bytes, their size limits, every reply verdict, and the saved fuzz inputs.
#include "SocksReplyFuzzCheck.h"
#include "net/socket/SocksReply.h"
#include "net/socket/SocksRequest.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

using namespace net;
using namespace std::string_literals;

TEST(SocksRequest, BytesOnTheWire) {
  EXPECT_EQ(socks5Greeting(0), "\x05\x01\x00"s);
  EXPECT_EQ(socks5Greeting(2), "\x05\x01\x02"s);
  EXPECT_EQ(socks5AuthRequest("bob", "pw"),
            "\x01\x03"
            "bob"
            "\x02"
            "pw"s);
  EXPECT_EQ(socks5AuthRequest("", ""), "\x01\x00\x00"s);
  EXPECT_EQ(socks5ConnectRequest("10.0.0.1", 443),
            "\x05\x01\x00\x03\x08"
            "10.0.0.1"
            "\x01\xbb"s);
  EXPECT_EQ(socks4ConnectRequest(8080, inet_addr("127.0.0.1"), "alice", ""),
            "\x04\x01\x1f\x90\x7f\x00\x00\x01"
            "alice"
            "\x00"s);
  EXPECT_EQ(socks4ConnectRequest(80, htonl(1), "", "host.example"),
            "\x04\x01\x00\x50\x00\x00\x00\x01\x00"
            "host.example"
            "\x00"s);
}

TEST(SocksRequest, SizeLimits) {
  const std::string a62(62, 'a'), a63(63, 'a');
  EXPECT_TRUE(socks5AuthFits(a62, a63));  // 3 + 125 = 128
  EXPECT_FALSE(socks5AuthFits(a63, a63));
  EXPECT_TRUE(socks5ConnectFits(std::string(255, 'h')));
  EXPECT_FALSE(socks5ConnectFits(std::string(256, 'h')));
  EXPECT_TRUE(socks4ConnectFits(std::string(119, 'u'), ""));  // 8 + 119 + 1 = 128
  EXPECT_FALSE(socks4ConnectFits(std::string(120, 'u'), ""));
  EXPECT_FALSE(socks4ConnectFits("u", std::string(118, 'h')));
  EXPECT_FALSE(socks4ConnectFits("a\0b"s, "")) << "a 0 byte would end the user id early";
}

TEST(SocksReply, Verdicts) {
  using K = SocksReplyKind;
  struct Case {
    K kind;
    std::string bytes;
    SocksReply::Status status;
    std::int32_t error;
    std::string text;
    std::size_t taken;
  };
  const auto ok = SocksReply::Status::Complete, failed = SocksReply::Status::Failed,
             open = SocksReply::Status::Incomplete;
  const Case cases[] = {
      {K::Socks5MethodReply, "\x05\x00"s, ok, 0, "", 2},
      {K::Socks5MethodReply, "\x04\x00"s, failed, 20002, "socks version error", 2},
      {K::Socks5MethodReply, "\x05\xff"s, failed, 20003, "authentification method not acceptable", 2},
      {K::Socks5MethodReply, "\x05"s, open, 0, "", 1},
      {K::Socks5AuthReply, "\x01\x00more"s, ok, 0, "", 2},
      {K::Socks5AuthReply, "\x05\x00"s, failed, 20002, "socks version error", 2},
      {K::Socks5AuthReply, "\x01\x01"s, failed, 20015, "socks authentication failed", 2},
      {K::Socks4ConnectReply, "\x00\x5a\x00\x00\x00\x00\x00\x00tunnel"s, ok, 0, "", 8},
      {K::Socks4ConnectReply, "\x05\x5a\x00\x00\x00\x00\x00"s, open, 0, "", 7},
      {K::Socks4ConnectReply, "\x05\x5a\x00\x00\x00\x00\x00\x00"s, failed, 20002, "socks version error", 8},
      {K::Socks4ConnectReply, "\x00\x5b\x00\x00\x00\x00\x00\x00"s, failed, 20016,
       "request rejected or failed", 8},
      {K::Socks4ConnectReply, "\x00\x5c\x00\x00\x00\x00\x00\x00"s, failed, 20008, "connection refused", 8},
      {K::Socks4ConnectReply, "\x00\x5d\x00\x00\x00\x00\x00\x00"s, failed, 20015, "authentification failed",
       8},
      {K::Socks4ConnectReply, "\x00\x11\x00\x00\x00\x00\x00\x00"s, failed, 20012, "unassigned error #17", 8},
      {K::Socks5ConnectReply, "\x04"s, failed, 20002, "socks version error", 1},
      {K::Socks5ConnectReply, "\x05\x01"s, failed, 20004, "general SOCKS server failure", 2},
      {K::Socks5ConnectReply, "\x05\x02"s, failed, 20005, "connection not allowed by ruleset", 2},
      {K::Socks5ConnectReply, "\x05\x03"s, failed, 20006, "network unreachable", 2},
      {K::Socks5ConnectReply, "\x05\x04"s, failed, 20007, "host unreachable", 2},
      {K::Socks5ConnectReply, "\x05\x05"s, failed, 20008, "connection refused", 2},
      {K::Socks5ConnectReply, "\x05\x06"s, failed, 20009, "time to live expired", 2},
      {K::Socks5ConnectReply, "\x05\x07"s, failed, 20010, "command not supported", 2},
      {K::Socks5ConnectReply, "\x05\x08"s, failed, 20011, "address type not supported", 2},
      {K::Socks5ConnectReply, "\x05\x09"s, failed, 20012, "unassigned error #9", 2},
      {K::Socks5ConnectReply, "\x05\x00\x00\x02\x00"s, failed, 20011, "address type not supported", 5},
      {K::Socks5ConnectReply, "\x05\x00\x00\x01\x7f\x00\x00"s, open, 0, "", 7},
      {K::Socks5ConnectReply, "\x05\x00\x00\x01\x7f\x00\x00\x01\x04\x38tail"s, ok, 0, "", 10},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.bytes));
    SocksReply r(c.kind);
    EXPECT_EQ(r.take(reinterpret_cast<const std::uint8_t*>(c.bytes.data()), c.bytes.size()), c.taken);
    EXPECT_EQ(r.status(), c.status);
    EXPECT_EQ(r.error(), c.error);
    EXPECT_EQ(r.errorText(), c.text);
  }
}

TEST(SocksReply, BoundEndOfEachAddressType) {
  struct Case {
    std::string bytes;
    std::string addr, port;
  };
  const Case cases[] = {
      {"\x05\x00\x00\x01\x0a\x00\x00\x02\x04\x38"s, "10.0.0.2", "1080"},
      {"\x05\x00\x00\x03\x05proxy\x00\x50"s, "proxy", "80"},
      {"\x05\x00\x00\x04"s + std::string(15, '\0') + "\x01\x01\xbb"s, "::1", "443"},
  };
  for (const Case& c : cases) {
    SocksReply r(SocksReplyKind::Socks5ConnectReply);
    // Fed the way the socket reads: exactly what the reply still asks for, one portion at a time.
    std::size_t at = 0;
    while (r.wanted() > 0 && at < c.bytes.size()) {
      at += r.take(reinterpret_cast<const std::uint8_t*>(c.bytes.data()) + at, r.wanted());
    }
    EXPECT_EQ(at, c.bytes.size());
    EXPECT_EQ(r.status(), SocksReply::Status::Complete);
    EXPECT_EQ(r.boundAddr(), c.addr);
    EXPECT_EQ(r.boundPort(), c.port);
  }
}

TEST(SocksReplyFuzzRegression, SavedInputsPass) {
  int replayed = 0;
  for (const auto& entry : std::filesystem::directory_iterator(CLIPWAVE_SOCKS_REPLY_FUZZ_CASES)) {
    std::ifstream in(entry.path(), std::ios::binary);
    const std::string input((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(fuzzing::checkSocksReply(reinterpret_cast<const std::uint8_t*>(input.data()), input.size()), "")
        << entry.path();
    ++replayed;
  }
  EXPECT_GT(replayed, 0);
}

// Line mode: lines split across reads, the line limit, the last line at close, echo and editing.
#include "ScriptedPeer.h"
#include "SocketFixture.h"

#include <gtest/gtest.h>

using namespace net;
using socket_tests::target;
using socket_tests::waitFor;
using testing_support::ScriptedPeer;

using Lines = std::vector<std::string>;

namespace {

// A line-mode socket that records each line it is handed and the close. A line counts as complete
// when nothing of it is left to read.
struct LineReader {
  TcpSocket s;
  Lines lines;
  std::string current;
  std::vector<std::int32_t> limits;
  bool closed = false;

  explicit LineReader(const ScriptedPeer& peer, std::int32_t readSize = 4096) {
    s.setLineMode(true);
    s.onDataAvailable = [this, readSize](BasicSocket* sender, std::uint16_t) {
      std::string buf(static_cast<std::size_t>(readSize), '\0');
      const std::int32_t n = sender->receive(buf.data(), readSize);
      if (n > 0) current.append(buf.data(), static_cast<std::size_t>(n));
      if (sender->bytesWaiting() == 0 && !current.empty()) {
        lines.push_back(current);
        current.clear();
      }
    };
    s.onSessionClosed = [this](BasicSocket*, std::uint16_t) { closed = true; };
    target(s, peer.port());
  }
};

}  // namespace

TEST(LineMode, LinesSplitAcrossReadsAndTheLastLineAtClose) {
  ScriptedPeer peer;
  peer.send("one\r\ntw").delay(30).send("o\r").delay(30).send("\nthree\r\nfo").delay(30).send("ur");
  peer.start();
  LineReader r(peer);
  r.s.connect();
  ASSERT_TRUE(waitFor([&] { return r.closed; }));
  EXPECT_EQ(r.lines, (Lines{"one\r\n", "two\r\n", "three\r\n", "four"}));
}

// A handler that reads a line in small pieces gets it whole, one piece per event, never beyond its end.
TEST(LineMode, LineReadInPieces) {
  ScriptedPeer peer;
  peer.send("abcdefgh\r\nij\r\n");
  peer.start();
  LineReader r(peer, 3);
  r.s.connect();
  ASSERT_TRUE(waitFor([&] { return r.closed; }));
  EXPECT_EQ(r.lines, (Lines{"abcdefgh\r\n", "ij\r\n"}));
}

TEST(LineMode, OtherLineEnd) {
  ScriptedPeer peer;
  peer.send("a;b;;c");
  peer.start();
  LineReader r(peer);
  r.s.setLineEnd(";");
  r.s.connect();
  ASSERT_TRUE(waitFor([&] { return r.closed; }));
  EXPECT_EQ(r.lines, (Lines{"a;", "b;", ";", "c"}));
}

TEST(LineMode, LineOverTheLimitIsDropped) {
  for (const bool keep : {false, true}) {
    ScriptedPeer peer;
    peer.send(std::string(25, 'x')).delay(50).send("ok\r\n");
    peer.start();
    LineReader r(peer);
    r.s.setLineLimit(10);
    r.s.onLineLimitExceeded = [&](BasicSocket*, std::int32_t count, bool& clearData) {
      r.limits.push_back(count);
      clearData = !keep;
    };
    r.s.connect();
    ASSERT_TRUE(waitFor([&] { return r.closed; }));
    ASSERT_FALSE(r.limits.empty());
    EXPECT_EQ(r.limits.front(), 25);
    EXPECT_EQ(r.lines, keep ? Lines{std::string(25, 'x') + "ok\r\n"} : Lines{"ok\r\n"});
  }
}

TEST(LineMode, EchoAndEdit) {
  ScriptedPeer peer;
  peer.send("ab\bc\td\r\n").read(8);
  peer.start();
  LineReader r(peer);
  r.s.setLineEcho(true);
  r.s.setLineEdit(true);
  r.s.connect();
  ASSERT_TRUE(waitFor([&] { return r.closed; }));
  EXPECT_EQ(r.lines, (Lines{"ac      d\r\n"}));
  EXPECT_EQ(peer.received(0), "ab\bc\td\r\n") << "the received bytes are echoed";
}

// Switching line mode off hands out the held bytes as plain data, oldest first.
TEST(LineMode, SwitchingOffHandsOutHeldBytes) {
  ScriptedPeer peer;
  peer.send("partial").delay(100).send(" more").readToEnd();
  peer.start();
  TcpSocket s;
  s.setLineMode(true);
  std::string plain;
  s.onDataAvailable = [&](BasicSocket* sender, std::uint16_t) {
    plain += static_cast<TcpSocket*>(sender)->receiveStr();
  };
  target(s, peer.port());
  s.connect();
  ASSERT_TRUE(waitFor([&] { return s.lineHeld() == 7; }));
  s.setLineMode(false);
  EXPECT_TRUE(waitFor([&] { return plain == "partial more"; }));
  s.close();
}

TEST(LineMode, SendLine) {
  ScriptedPeer peer;
  peer.read(7);
  peer.start();
  TcpSocket s;
  target(s, peer.port());
  bool connected = false;
  s.onSessionConnected = [&](BasicSocket*, std::uint16_t) { connected = true; };
  s.connect();
  ASSERT_TRUE(waitFor([&] { return connected; }));
  EXPECT_EQ(s.sendLine("hello"), 7);
  ASSERT_TRUE(peer.waitFinished(1, 5000));
  EXPECT_EQ(peer.received(0), "hello\r\n");
}

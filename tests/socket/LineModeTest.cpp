// Line mode: lines split across reads, the line limit, the last line at close, echo and editing.
#include "ScriptedPeer.h"
#include "SocketFixture.h"

#include <gtest/gtest.h>

using namespace net;
using socket_tests::Target;
using socket_tests::WaitFor;
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
    s.SetLineMode(true);
    s.OnDataAvailable = [this, readSize](BasicSocket* sender, std::uint16_t) {
      std::string buf(static_cast<std::size_t>(readSize), '\0');
      const std::int32_t n = sender->Receive(buf.data(), readSize);
      if (n > 0) current.append(buf.data(), static_cast<std::size_t>(n));
      if (sender->bytesWaiting() == 0 && !current.empty()) {
        lines.push_back(current);
        current.clear();
      }
    };
    s.OnSessionClosed = [this](BasicSocket*, std::uint16_t) { closed = true; };
    Target(s, peer.Port());
  }
};

}  // namespace

TEST(LineMode, LinesSplitAcrossReadsAndTheLastLineAtClose) {
  ScriptedPeer peer;
  peer.Send("one\r\ntw").Delay(30).Send("o\r").Delay(30).Send("\nthree\r\nfo").Delay(30).Send("ur");
  peer.Start();
  LineReader r(peer);
  r.s.Connect();
  ASSERT_TRUE(WaitFor([&] { return r.closed; }));
  EXPECT_EQ(r.lines, (Lines{"one\r\n", "two\r\n", "three\r\n", "four"}));
}

// A handler that reads a line in small pieces gets it whole, one piece per event, never beyond its end.
TEST(LineMode, LineReadInPieces) {
  ScriptedPeer peer;
  peer.Send("abcdefgh\r\nij\r\n");
  peer.Start();
  LineReader r(peer, 3);
  r.s.Connect();
  ASSERT_TRUE(WaitFor([&] { return r.closed; }));
  EXPECT_EQ(r.lines, (Lines{"abcdefgh\r\n", "ij\r\n"}));
}

TEST(LineMode, OtherLineEnd) {
  ScriptedPeer peer;
  peer.Send("a;b;;c");
  peer.Start();
  LineReader r(peer);
  r.s.SetLineEnd(";");
  r.s.Connect();
  ASSERT_TRUE(WaitFor([&] { return r.closed; }));
  EXPECT_EQ(r.lines, (Lines{"a;", "b;", ";", "c"}));
}

TEST(LineMode, LineOverTheLimitIsDropped) {
  for (const bool keep : {false, true}) {
    ScriptedPeer peer;
    peer.Send(std::string(25, 'x')).Delay(50).Send("ok\r\n");
    peer.Start();
    LineReader r(peer);
    r.s.SetLineLimit(10);
    r.s.OnLineLimitExceeded = [&](BasicSocket*, std::int32_t count, bool& clearData) {
      r.limits.push_back(count);
      clearData = !keep;
    };
    r.s.Connect();
    ASSERT_TRUE(WaitFor([&] { return r.closed; }));
    ASSERT_FALSE(r.limits.empty());
    EXPECT_EQ(r.limits.front(), 25);
    EXPECT_EQ(r.lines, keep ? Lines{std::string(25, 'x') + "ok\r\n"} : Lines{"ok\r\n"});
  }
}

TEST(LineMode, EchoAndEdit) {
  ScriptedPeer peer;
  peer.Send("ab\bc\td\r\n").Read(8);
  peer.Start();
  LineReader r(peer);
  r.s.SetLineEcho(true);
  r.s.SetLineEdit(true);
  r.s.Connect();
  ASSERT_TRUE(WaitFor([&] { return r.closed; }));
  EXPECT_EQ(r.lines, (Lines{"ac      d\r\n"}));
  EXPECT_EQ(peer.Received(0), "ab\bc\td\r\n") << "the received bytes are echoed";
}

// Switching line mode off hands out the held bytes as plain data, oldest first.
TEST(LineMode, SwitchingOffHandsOutHeldBytes) {
  ScriptedPeer peer;
  peer.Send("partial").Delay(100).Send(" more").ReadToEnd();
  peer.Start();
  TcpSocket s;
  s.SetLineMode(true);
  std::string plain;
  s.OnDataAvailable = [&](BasicSocket* sender, std::uint16_t) {
    plain += static_cast<TcpSocket*>(sender)->ReceiveStr();
  };
  Target(s, peer.Port());
  s.Connect();
  ASSERT_TRUE(WaitFor([&] { return s.LineHeld() == 7; }));
  s.SetLineMode(false);
  EXPECT_TRUE(WaitFor([&] { return plain == "partial more"; }));
  s.Close();
}

TEST(LineMode, SendLine) {
  ScriptedPeer peer;
  peer.Read(7);
  peer.Start();
  TcpSocket s;
  Target(s, peer.Port());
  bool connected = false;
  s.OnSessionConnected = [&](BasicSocket*, std::uint16_t) { connected = true; };
  s.Connect();
  ASSERT_TRUE(WaitFor([&] { return connected; }));
  EXPECT_EQ(s.SendLine("hello"), 7);
  ASSERT_TRUE(peer.WaitFinished(1, 5000));
  EXPECT_EQ(peer.Received(0), "hello\r\n");
}

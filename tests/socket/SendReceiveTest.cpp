// The send queue and the receive side against real peers on 127.0.0.1.
#include "ScriptedPeer.h"
#include "SocketFixture.h"
#include "net/socket/SendBlock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <vector>

using namespace net;
using socket_tests::EventLog;
using socket_tests::target;
using socket_tests::waitFor;
using testing_support::ScriptedPeer;

namespace {

// A socket connected to `peer`, with its events recorded in `log`.
void connectTo(TcpSocket& s, EventLog& log, const ScriptedPeer& peer) {
  target(s, peer.port());
  s.connect();
  ASSERT_TRUE(waitFor([&] { return log.has("connected 0"); }));
}

// The most a TCP send buffer may hold on this machine: the larger of the autotuning ceiling and the
// ceiling for a size set by hand.
std::size_t largestSendBuffer() {
  std::size_t least = 0, initial = 0, autotuned = 0, byHand = 0;
  std::ifstream("/proc/sys/net/ipv4/tcp_wmem") >> least >> initial >> autotuned;
  std::ifstream("/proc/sys/net/core/wmem_max") >> byHand;
  return std::max(autotuned, byHand);
}

}  // namespace

TEST(SendQueue, BlockOperations) {
  SendBlock b(4);
  EXPECT_EQ(b.write("abcdef", 6), 4);
  EXPECT_EQ(b.write("x", 1), 0) << "a full block takes nothing";
  std::int32_t len = 0;
  EXPECT_EQ(std::string(b.peek(len), 2), "ab");
  EXPECT_EQ(len, 4);
  b.remove(3);
  EXPECT_EQ(std::string(b.peek(len), 1), "d");
  b.remove(10);
  EXPECT_EQ(b.peek(len), nullptr);
  EXPECT_EQ(b.wrCount(), 0) << "an emptied block starts again at its beginning";
  EXPECT_EQ(SendBlock(0).size(), 1514);
  SendBlock c(8);
  c.write("12345", 5);
  c.remove(1);
  c.setSize(16);
  EXPECT_EQ(std::string(c.peek(len), 4), "2345");
}

TEST(SendQueue, ThreeThousandBytesGoOutAsThreeBlocks) {
  ScriptedPeer peer;
  peer.read(3000);
  peer.start();
  TcpSocket s;
  EventLog log;
  log.attach(s);
  std::vector<std::int32_t> sends;
  s.onSendData = [&](BasicSocket*, std::int32_t n) { sends.push_back(n); };
  connectTo(s, log, peer);
  std::string data(3000, '\0');
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>('a' + i % 26);
  EXPECT_EQ(s.send(data.data(), 3000), 3000);
  EXPECT_FALSE(log.has("sent 0")) << "OnDataSent never fires inside Send";
  ASSERT_TRUE(waitFor([&] { return log.has("sent 0"); }));
  EXPECT_EQ(sends, (std::vector<std::int32_t>{1460, 1460, 80}));
  socket_tests::pump(50);
  EXPECT_EQ(log.count("sent 0"), 1);
  ASSERT_TRUE(peer.waitFinished(1, 5000));
  EXPECT_EQ(peer.received(0), data);
}

TEST(SendQueue, SendOfNothingStillReportsDataSentLater) {
  ScriptedPeer peer;
  peer.readToEnd();
  peer.start();
  TcpSocket s;
  EventLog log;
  log.attach(s);
  connectTo(s, log, peer);
  EXPECT_EQ(s.send("", 0), 0);
  EXPECT_EQ(s.sendStr(""), 0);
  EXPECT_FALSE(log.has("sent 0"));
  EXPECT_TRUE(waitFor([&] { return log.has("sent 0"); }));
}

// More than the system takes at once: the rest waits in the queue and goes when the peer reads.
TEST(SendQueue, LargeSendToASlowReader) {
  // Twice what the system's send buffer may grow to (machines differ: some allow tens of megabytes); the
  // peer reads nothing until the send has returned.
  const std::size_t size = std::max<std::size_t>(8 * 1024 * 1024, 2 * largestSendBuffer());
  std::string data(size, '\0');
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7 % 251);
  ScriptedPeer peer;
  peer.smallReceiveBuffer(4096).awaitGo().readToEnd();
  peer.start();
  TcpSocket s;
  EventLog log;
  log.attach(s);
  connectTo(s, log, peer);
  EXPECT_EQ(s.sendStr(data), static_cast<std::int32_t>(data.size()));
  EXPECT_GT(s.bufferedByteCount(), 0);
  peer.go();
  ASSERT_TRUE(waitFor([&] { return log.has("sent 0"); }, 30000));
  EXPECT_EQ(s.bufferedByteCount(), 0);
  socket_tests::pump(50);
  EXPECT_EQ(log.count("sent 0"), 1) << "once, after the last byte";
  s.close();
  ASSERT_TRUE(peer.waitFinished(1, 30000));
  EXPECT_TRUE(peer.received(0) == data);
}

// A flood read in small pieces arrives whole and in order, then the close, once.
TEST(Receive, FloodReadInSmallPieces) {
  std::string data(4 * 1024 * 1024, '\0');
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 13 % 253);
  ScriptedPeer peer;
  peer.send(data);
  peer.start();
  TcpSocket s;
  EventLog log;
  log.attach(s, false);
  std::string got;
  s.onDataAvailable = [&](BasicSocket* sender, std::uint16_t) {
    char buf[1000];
    const std::int32_t n = sender->receive(buf, sizeof buf);
    if (n > 0) got.append(buf, static_cast<std::size_t>(n));
  };
  target(s, peer.port());
  s.connect();
  ASSERT_TRUE(waitFor([&] { return log.has("closed 0"); }, 30000));
  EXPECT_EQ(got.size(), data.size());
  EXPECT_TRUE(got == data);
  EXPECT_EQ(log.count("closed 0"), 1);
}

// A flood faster than the reader does not hold the message loop: other messages get their turn.
TEST(Receive, FloodLeavesTheMessageLoopLive) {
  const std::string data(4 * 1024 * 1024, 'f');
  ScriptedPeer peer;
  peer.send(data);
  peer.start();
  TcpSocket s;
  EventLog log;
  log.attach(s, false);
  std::size_t got = 0, gotWhenMessageCame = 0;
  struct Ping {};
  platform::Mailbox<Ping> other([&](Ping&) { gotWhenMessageCame = got; });
  s.onDataAvailable = [&](BasicSocket* sender, std::uint16_t) {
    if (got == 0) other.post(Ping{});
    char buf[100];
    const std::int32_t n = sender->receive(buf, sizeof buf);
    if (n > 0) got += static_cast<std::size_t>(n);
  };
  target(s, peer.port());
  s.connect();
  ASSERT_TRUE(waitFor([&] { return log.has("closed 0"); }, 60000));
  EXPECT_EQ(got, data.size());
  EXPECT_GT(gotWhenMessageCame, 0u);
  EXPECT_LT(gotWhenMessageCame, data.size() / 2);
}

TEST(Receive, ReceiveStrAndRcvdCount) {
  ScriptedPeer peer;
  peer.send("first part").readToEnd();
  peer.start();
  TcpSocket s;
  EventLog log;
  log.attach(s, false);
  std::string got;
  std::int32_t waiting = -2;
  s.onDataAvailable = [&](BasicSocket* sender, std::uint16_t) {
    if (waiting == -2) waiting = sender->bytesWaiting();
    got += static_cast<TcpSocket*>(sender)->receiveStr();
  };
  connectTo(s, log, peer);
  ASSERT_TRUE(waitFor([&] { return got == "first part"; }));
  EXPECT_EQ(waiting, 10);
  EXPECT_EQ(s.bytesWaiting(), 0);
  char c;
  EXPECT_EQ(s.receive(&c, 1), -1);
  EXPECT_EQ(s.lastError(), 10035) << "nothing waiting";
}

// A handler that reads nothing is not called over and over: it hears again after its next receive.
TEST(Receive, HandlerThatReadsNothingDoesNotSpin) {
  ScriptedPeer peer;
  peer.send("abc").readToEnd();
  peer.start();
  TcpSocket s;
  EventLog log;
  log.attach(s, false);
  int calls = 0;
  s.onDataAvailable = [&](BasicSocket*, std::uint16_t) { ++calls; };
  connectTo(s, log, peer);
  ASSERT_TRUE(waitFor([&] { return calls > 0; }));
  socket_tests::pump(100);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(s.receiveStr(), "abc");
}

// flush() waits, dispatching messages, until the queue is on its way; waitForClose until the peer closes.
TEST(SendQueue, FlushAndWaitForClose) {
  // More than the system's send buffer may grow to, so that some of it waits in the queue: the peer reads
  // nothing until the send has returned.
  const std::size_t size = std::max<std::size_t>(8 * 1024 * 1024, 2 * largestSendBuffer());
  const std::string data(size, 'q');
  ScriptedPeer peer;
  peer.smallReceiveBuffer(4096).awaitGo().read(size).send("done").delay(50).halfClose().readToEnd();
  peer.start();
  TcpSocket s;
  EventLog log;
  log.attach(s);
  connectTo(s, log, peer);
  s.sendStr(data);
  EXPECT_GT(s.bufferedByteCount(), 0);
  peer.go();
  s.flush();
  EXPECT_EQ(s.bufferedByteCount(), 0);
  s.waitForClose();
  EXPECT_EQ(s.state(), SocketState::Closed);
  EXPECT_EQ(log.received, "done");
  EXPECT_EQ(log.count("closed 0"), 1);
}

// The send queue and the receive side against real peers on 127.0.0.1.
#include "ScriptedPeer.h"
#include "SocketFixture.h"
#include "net/socket/SendBlock.h"

#include <gtest/gtest.h>

#include <vector>

using namespace net;
using socket_tests::EventLog;
using socket_tests::Target;
using socket_tests::WaitFor;
using testing_support::ScriptedPeer;

namespace {

// A socket connected to `peer`, with its events recorded in `log`.
void ConnectTo(TcpSocket& s, EventLog& log, const ScriptedPeer& peer) {
  Target(s, peer.Port());
  s.Connect();
  ASSERT_TRUE(WaitFor([&] { return log.Has("connected 0"); }));
}

}  // namespace

TEST(SendQueue, BlockOperations) {
  SendBlock b(4);
  EXPECT_EQ(b.Write("abcdef", 6), 4);
  EXPECT_EQ(b.Write("x", 1), 0) << "a full block takes nothing";
  std::int32_t len = 0;
  EXPECT_EQ(std::string(b.Peek(len), 2), "ab");
  EXPECT_EQ(len, 4);
  b.Remove(3);
  EXPECT_EQ(std::string(b.Peek(len), 1), "d");
  b.Remove(10);
  EXPECT_EQ(b.Peek(len), nullptr);
  EXPECT_EQ(b.WrCount(), 0) << "an emptied block starts again at its beginning";
  EXPECT_EQ(SendBlock(0).Size(), 1514);
  SendBlock c(8);
  c.Write("12345", 5);
  c.Remove(1);
  c.SetSize(16);
  EXPECT_EQ(std::string(c.Peek(len), 4), "2345");
}

TEST(SendQueue, ThreeThousandBytesGoOutAsThreeBlocks) {
  ScriptedPeer peer;
  peer.Read(3000);
  peer.Start();
  TcpSocket s;
  EventLog log;
  log.Attach(s);
  std::vector<std::int32_t> sends;
  s.OnSendData = [&](BasicSocket*, std::int32_t n) { sends.push_back(n); };
  ConnectTo(s, log, peer);
  std::string data(3000, '\0');
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>('a' + i % 26);
  EXPECT_EQ(s.Send(data.data(), 3000), 3000);
  EXPECT_FALSE(log.Has("sent 0")) << "OnDataSent never fires inside Send";
  ASSERT_TRUE(WaitFor([&] { return log.Has("sent 0"); }));
  EXPECT_EQ(sends, (std::vector<std::int32_t>{1460, 1460, 80}));
  socket_tests::Pump(50);
  EXPECT_EQ(log.Count("sent 0"), 1);
  ASSERT_TRUE(peer.WaitFinished(1, 5000));
  EXPECT_EQ(peer.Received(0), data);
}

TEST(SendQueue, SendOfNothingStillReportsDataSentLater) {
  ScriptedPeer peer;
  peer.ReadToEnd();
  peer.Start();
  TcpSocket s;
  EventLog log;
  log.Attach(s);
  ConnectTo(s, log, peer);
  EXPECT_EQ(s.Send("", 0), 0);
  EXPECT_EQ(s.SendStr(""), 0);
  EXPECT_FALSE(log.Has("sent 0"));
  EXPECT_TRUE(WaitFor([&] { return log.Has("sent 0"); }));
}

// More than the system takes at once: the rest waits in the queue and goes when the peer reads.
TEST(SendQueue, LargeSendToASlowReader) {
  ScriptedPeer peer;
  peer.SmallReceiveBuffer(4096).Delay(100).ReadToEnd();
  peer.Start();
  TcpSocket s;
  EventLog log;
  log.Attach(s);
  ConnectTo(s, log, peer);
  std::string data(8 * 1024 * 1024, '\0');
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7 % 251);
  EXPECT_EQ(s.SendStr(data), static_cast<std::int32_t>(data.size()));
  EXPECT_GT(s.BufferedByteCount(), 0);
  ASSERT_TRUE(WaitFor([&] { return log.Has("sent 0"); }, 30000));
  EXPECT_EQ(s.BufferedByteCount(), 0);
  socket_tests::Pump(50);
  EXPECT_EQ(log.Count("sent 0"), 1) << "once, after the last byte";
  s.Close();
  ASSERT_TRUE(peer.WaitFinished(1, 30000));
  EXPECT_TRUE(peer.Received(0) == data);
}

// A flood read in small pieces arrives whole and in order, then the close, once.
TEST(Receive, FloodReadInSmallPieces) {
  std::string data(4 * 1024 * 1024, '\0');
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 13 % 253);
  ScriptedPeer peer;
  peer.Send(data);
  peer.Start();
  TcpSocket s;
  EventLog log;
  log.Attach(s, false);
  std::string got;
  s.OnDataAvailable = [&](BasicSocket* sender, std::uint16_t) {
    char buf[1000];
    const std::int32_t n = sender->Receive(buf, sizeof buf);
    if (n > 0) got.append(buf, static_cast<std::size_t>(n));
  };
  Target(s, peer.Port());
  s.Connect();
  ASSERT_TRUE(WaitFor([&] { return log.Has("closed 0"); }, 30000));
  EXPECT_EQ(got.size(), data.size());
  EXPECT_TRUE(got == data);
  EXPECT_EQ(log.Count("closed 0"), 1);
}

// A flood faster than the reader does not hold the message loop: other messages get their turn.
TEST(Receive, FloodLeavesTheMessageLoopLive) {
  const std::string data(4 * 1024 * 1024, 'f');
  ScriptedPeer peer;
  peer.Send(data);
  peer.Start();
  TcpSocket s;
  EventLog log;
  log.Attach(s, false);
  std::size_t got = 0, gotWhenMessageCame = 0;
  platform::FunctionTarget other([&](platform::Message&) { gotWhenMessageCame = got; });
  s.OnDataAvailable = [&](BasicSocket* sender, std::uint16_t) {
    if (got == 0) platform::PostMessage(other.Handle(), 1);
    char buf[100];
    const std::int32_t n = sender->Receive(buf, sizeof buf);
    if (n > 0) got += static_cast<std::size_t>(n);
  };
  Target(s, peer.Port());
  s.Connect();
  ASSERT_TRUE(WaitFor([&] { return log.Has("closed 0"); }, 60000));
  EXPECT_EQ(got, data.size());
  EXPECT_GT(gotWhenMessageCame, 0u);
  EXPECT_LT(gotWhenMessageCame, data.size() / 2);
}

TEST(Receive, ReceiveStrAndRcvdCount) {
  ScriptedPeer peer;
  peer.Send("first part").ReadToEnd();
  peer.Start();
  TcpSocket s;
  EventLog log;
  log.Attach(s, false);
  std::string got;
  std::int32_t waiting = -2;
  s.OnDataAvailable = [&](BasicSocket* sender, std::uint16_t) {
    if (waiting == -2) waiting = sender->bytesWaiting();
    got += static_cast<TcpSocket*>(sender)->ReceiveStr();
  };
  ConnectTo(s, log, peer);
  ASSERT_TRUE(WaitFor([&] { return got == "first part"; }));
  EXPECT_EQ(waiting, 10);
  EXPECT_EQ(s.bytesWaiting(), 0);
  char c;
  EXPECT_EQ(s.Receive(&c, 1), -1);
  EXPECT_EQ(s.LastError(), 10035) << "nothing waiting";
}

// A handler that reads nothing is not called over and over: it hears again after its next receive.
TEST(Receive, HandlerThatReadsNothingDoesNotSpin) {
  ScriptedPeer peer;
  peer.Send("abc").ReadToEnd();
  peer.Start();
  TcpSocket s;
  EventLog log;
  log.Attach(s, false);
  int calls = 0;
  s.OnDataAvailable = [&](BasicSocket*, std::uint16_t) { ++calls; };
  ConnectTo(s, log, peer);
  ASSERT_TRUE(WaitFor([&] { return calls > 0; }));
  socket_tests::Pump(100);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(s.ReceiveStr(), "abc");
}

// Flush waits, dispatching messages, until the queue is on its way; WaitForClose until the peer closes.
TEST(SendQueue, FlushAndWaitForClose) {
  ScriptedPeer peer;
  peer.SmallReceiveBuffer(4096)
      .Delay(50)
      .Read(8 * 1024 * 1024)
      .Send("done")
      .Delay(50)
      .HalfClose()
      .ReadToEnd();
  peer.Start();
  TcpSocket s;
  EventLog log;
  log.Attach(s);
  ConnectTo(s, log, peer);
  s.SendStr(std::string(8 * 1024 * 1024, 'q'));
  EXPECT_GT(s.BufferedByteCount(), 0);
  s.Flush();
  EXPECT_EQ(s.BufferedByteCount(), 0);
  s.WaitForClose();
  EXPECT_EQ(s.State(), SocketState::Closed);
  EXPECT_EQ(log.received, "done");
  EXPECT_EQ(log.Count("closed 0"), 1);
}

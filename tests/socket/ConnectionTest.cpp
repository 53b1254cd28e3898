// Connecting and closing against real peers on 127.0.0.1: the order of events, closes from either
// side, resets, aborts, silent peers and exceptions raised by event handlers.
#include "ScriptedPeer.h"
#include "SocketFixture.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <vector>

using namespace net;
using socket_tests::EventLog;
using socket_tests::Target;
using socket_tests::WaitFor;
using testing_support::ScriptedPeer;

using Events = std::vector<std::string>;

TEST(Connection, RefusedConnectionReportsInOrder) {
  TcpSocket s;
  EventLog log;
  log.Attach(s);
  Target(s, ScriptedPeer::UnusedPort());
  s.Connect();
  EXPECT_EQ(log.events, (Events{"state 1", "state 3"})) << "the outcome must not be reported inside Connect";
  ASSERT_TRUE(WaitFor([&] { return log.Has("closed 0"); }));
  EXPECT_EQ(log.events, (Events{"state 1", "state 3", "state 5", "connected 10061", "state 8", "closed 0"}));
  EXPECT_EQ(s.State(), SocketState::Closed);
}

TEST(Connection, ConnectSendEchoClose) {
  ScriptedPeer peer;
  peer.Echo();
  peer.Start();
  TcpSocket s;
  EventLog log;
  log.Attach(s);
  Target(s, peer.Port());
  s.Connect();
  ASSERT_TRUE(WaitFor([&] { return log.Has("connected 0"); }));
  EXPECT_EQ(s.State(), SocketState::Connected);
  EXPECT_EQ(s.PeerAddr(), "127.0.0.1");
  EXPECT_EQ(s.PeerPort(), std::to_string(peer.Port()));
  EXPECT_EQ(s.SendStr("hello"), 5);
  ASSERT_TRUE(WaitFor([&] { return log.received == "hello"; }));
  EXPECT_EQ(s.ReadCount(), 5);
  s.Close();
  EXPECT_EQ(s.State(), SocketState::Closed);
  EXPECT_EQ(s.PeerAddr(), "error");
  EXPECT_EQ(s.ReadCount(), 0) << "a close resets the read count";
  ASSERT_TRUE(peer.WaitFinished(1, 5000));
  EXPECT_EQ(peer.Received(0), "hello");
  socket_tests::Pump(50);
  EXPECT_EQ(log.WithoutData(),
            (Events{"state 1", "state 3", "state 5", "connected 0", "sent 0", "state 8", "closed 0"}));
}

// The peer sends and closes; the bytes arrive first, one byte per event, then the close, once.
TEST(Connection, PeerCloseDeliversWaitingDataFirst) {
  for (const bool halfClose : {false, true}) {
    ScriptedPeer peer;
    peer.Send("0123456789abcdef").Delay(50);
    if (halfClose) {
      peer.HalfClose().ReadToEnd();
    }
    peer.Start();
    TcpSocket s;
    s.setOptions(SocketOption::NoReceiveLoop);
    EventLog log;
    log.Attach(s, false);
    s.OnDataAvailable = [&](BasicSocket* sender, std::uint16_t) {
      log.events.push_back("data");
      char c;
      if (sender->Receive(&c, 1) == 1) log.received.push_back(c);
    };
    Target(s, peer.Port());
    s.Connect();
    ASSERT_TRUE(WaitFor([&] { return s.State() == SocketState::Closed && log.Has("closed 0"); }));
    EXPECT_EQ(log.received, "0123456789abcdef");
    EXPECT_EQ(log.Count("closed 0"), 1);
    const auto closedAt = std::find(log.events.begin(), log.events.end(), "closed 0");
    EXPECT_EQ(std::find(closedAt, log.events.end(), "data"), log.events.end()) << "no data after the close";
    socket_tests::Pump(50);
    EXPECT_EQ(log.Count("closed 0"), 1);
  }
}

TEST(Connection, ClosedWithoutDataHandlerDiscardsWaitingBytes) {
  ScriptedPeer peer;
  peer.Send(std::string(5000, 'x'));
  peer.Start();
  TcpSocket s;
  EventLog log;
  log.Attach(s, false);
  Target(s, peer.Port());
  s.Connect();
  ASSERT_TRUE(WaitFor([&] { return log.Has("closed 0"); }));
  EXPECT_EQ(s.State(), SocketState::Closed);
}

// A reset right after the accept, or a little later: the connect succeeds, the close comes once, and
// later sends fail.
TEST(Connection, PeerResetClosesOnceAndLaterSendsFail) {
  for (const int delay : {0, 20}) {
    ScriptedPeer peer;
    peer.Delay(delay).Reset();
    peer.Start();
    TcpSocket s;
    EventLog log;
    log.Attach(s);
    Target(s, peer.Port());
    s.Connect();
    ASSERT_TRUE(WaitFor([&] { return s.State() == SocketState::Closed; }));
    EXPECT_EQ(log.Count("connected 0"), 1) << ::testing::PrintToString(log.events);
    EXPECT_EQ(log.Count("closed 10054") + log.Count("closed 0"), 1) << ::testing::PrintToString(log.events);
    EXPECT_EQ(s.SendStr("late"), -1);
    EXPECT_EQ(s.LastError(), 10057);
    EXPECT_EQ(log.events.back(), "error 10057");
    socket_tests::Pump(50);
    EXPECT_EQ(log.Count("closed 10054") + log.Count("closed 0"), 1);
  }
}

// A send that meets the reset before the socket has heard of it closes with 10054, exactly once.
TEST(Connection, SendIntoResetConnection) {
  ScriptedPeer peer;
  peer.Delay(50).Reset();
  peer.Start();
  TcpSocket s;
  EventLog log;
  log.Attach(s);
  Target(s, peer.Port());
  s.Connect();
  ASSERT_TRUE(WaitFor([&] { return log.Has("connected 0"); })) << ::testing::PrintToString(log.events);
  ASSERT_TRUE(peer.WaitFinished(1, 5000));
  usleep(50 * 1000);  // let the reset arrive without dispatching its notification
  s.SendStr("into the void");
  socket_tests::Pump(100);
  EXPECT_EQ(s.State(), SocketState::Closed);
  EXPECT_EQ(log.Count("closed 10054") + log.Count("closed 0"), 1) << ::testing::PrintToString(log.events);
}

TEST(Connection, SendWhenNotConnected) {
  TcpSocket s;
  EXPECT_THROW(
      try { s.SendStr("x"); } catch (const SocketException& e) {
        EXPECT_STREQ(e.what(), "Error 10057 in function Send\r\nSocket is not connected");
        throw;
      },
      SocketException);
  EventLog log;
  log.Attach(s);
  EXPECT_EQ(s.SendStr("x"), -1);
  EXPECT_EQ(log.events, (Events{"error 10057"})) << "no close event for a socket that was already closed";
}

TEST(Connection, AbortClosesAtOnceAndDropsTheQueue) {
  ScriptedPeer peer;
  peer.ReadToEnd();
  peer.Start();
  TcpSocket s;
  EventLog log;
  log.Attach(s);
  Target(s, peer.Port());
  s.Connect();
  ASSERT_TRUE(WaitFor([&] { return log.Has("connected 0"); }));
  s.Abort();
  EXPECT_EQ(s.State(), SocketState::Closed);
  EXPECT_EQ(s.BufferedByteCount(), 0);
  EXPECT_EQ(s.lingerMode(), LingerMode::On) << "every close restores the default linger";
  EXPECT_EQ(log.Count("closed 0"), 1);
  EXPECT_TRUE(peer.WaitFinished(1, 5000)) << "the peer sees the end of the connection";
}

// Bytes the system accepted are still delivered after an orderly Close, even when the peer reads late
// (a zero linger time would turn the close into a reset that drops them).
TEST(Connection, CloseDeliversAcceptedBytes) {
  ScriptedPeer peer;
  peer.SmallReceiveBuffer(4096).Delay(200).ReadToEnd();
  peer.Start();
  TcpSocket s;
  EventLog log;
  log.Attach(s);
  Target(s, peer.Port());
  s.Connect();
  ASSERT_TRUE(WaitFor([&] { return log.Has("connected 0"); }));
  const std::string data(256 * 1024, 'z');
  s.SendStr(data);
  ASSERT_TRUE(WaitFor([&] { return log.Has("sent 0"); }, 20000));
  s.Close();
  ASSERT_TRUE(peer.WaitFinished(1, 20000));
  EXPECT_EQ(peer.Received(0).size(), data.size());
}

TEST(Connection, CloseDelayedRunsAfterTheEvent) {
  ScriptedPeer peer;
  peer.Send("x").ReadToEnd();
  peer.Start();
  TcpSocket s;
  EventLog log;
  log.Attach(s, false);
  SocketState stateAfterCall = SocketState::Invalid;
  s.OnDataAvailable = [&](BasicSocket* sender, std::uint16_t) {
    char c;
    sender->Receive(&c, 1);
    sender->CloseDelayed();
    stateAfterCall = sender->State();
  };
  Target(s, peer.Port());
  s.Connect();
  ASSERT_TRUE(WaitFor([&] { return log.Has("closed 0"); }));
  EXPECT_EQ(stateAfterCall, SocketState::Connected);
  EXPECT_EQ(s.State(), SocketState::Closed);
}

TEST(Connection, PauseHoldsNotificationsUntilResume) {
  ScriptedPeer peer;
  peer.Send("held").ReadToEnd();
  peer.Start();
  TcpSocket s;
  EventLog log;
  log.Attach(s);
  s.OnSessionConnected = [&](BasicSocket* sender, std::uint16_t) {
    log.events.push_back("connected");
    sender->Pause();
  };
  Target(s, peer.Port());
  s.Connect();
  ASSERT_TRUE(WaitFor([&] { return log.Has("connected"); }));
  socket_tests::Pump(150);
  EXPECT_EQ(log.received, "");
  s.Resume();
  EXPECT_TRUE(WaitFor([&] { return log.received == "held"; }));
}

TEST(Connection, SilentPeerTimesOutTheWait) {
  ScriptedPeer peer;
  peer.StaySilent();
  peer.Start();
  TcpSocket s;
  EventLog log;
  log.Attach(s);
  Target(s, peer.Port());
  bool connected = false;
  s.OnSessionConnected = [&](BasicSocket*, std::uint16_t e) { connected = e == 0; };
  s.Connect();
  s.SetTimeout(5000);
  EXPECT_EQ(s.WaitUntilReady(connected), 0);
  bool dataCame = false;
  s.OnDataAvailable = [&](BasicSocket*, std::uint16_t) { dataCame = true; };
  s.SetTimeout(150);
  EXPECT_EQ(s.Synchronize(nullptr, dataCame), kWaitTimedOut);
  EXPECT_EQ(s.State(), SocketState::Connected);
  s.Close();
  EXPECT_EQ(log.Count("closed 0"), 1);
}

// A data handler's exception ends its loop and goes no further; one from the connect event reaches
// the background handler, which aborts unless told otherwise.
TEST(Connection, ExceptionsFromHandlers) {
  for (const bool allowClose : {true, false}) {
    ScriptedPeer peer;
    peer.Send("boom").ReadToEnd();
    peer.Start();
    TcpSocket s;
    EventLog log;
    log.Attach(s);
    int bgCalls = 0;
    s.OnBgException = [&](BasicSocket*, const std::exception& e, bool& canClose) {
      ++bgCalls;
      EXPECT_STREQ(e.what(), "from connected");
      canClose = allowClose;
    };
    s.OnSessionConnected = [&](BasicSocket*, std::uint16_t) { throw SocketException("from connected"); };
    int dataCalls = 0;
    s.OnDataAvailable = [&](BasicSocket*, std::uint16_t) {
      ++dataCalls;
      throw std::runtime_error("from data");
    };
    Target(s, peer.Port());
    s.Connect();
    ASSERT_TRUE(WaitFor([&] { return bgCalls == 1; }));
    if (allowClose) {
      EXPECT_EQ(s.State(), SocketState::Closed);
      EXPECT_EQ(log.Count("closed 0"), 1);
    } else {
      ASSERT_TRUE(WaitFor([&] { return dataCalls >= 1; }));
      socket_tests::Pump(50);
      EXPECT_EQ(bgCalls, 1) << "the data handler's exception is swallowed";
      EXPECT_EQ(s.State(), SocketState::Connected);
    }
  }
}

// Records queued for an earlier connection are dropped, even when the new one got the same descriptor.
TEST(Connection, NotificationsOfAnEarlierConnectionAreIgnored) {
  struct Probe : TcpSocket {
    using BasicSocket::ConnectionHandle;
  };
  ScriptedPeer peer;
  peer.ReadToEnd();
  peer.Start();
  Probe s;
  EventLog log;
  log.Attach(s);
  Target(s, peer.Port());
  s.Connect();
  ASSERT_TRUE(WaitFor([&] { return log.Count("connected 0") == 1; }));
  const std::uint64_t earlier = s.ConnectionHandle();
  const int earlierFd = s.socketDescriptor();
  s.Close();
  Target(s, peer.Port());
  s.Connect();
  ASSERT_TRUE(WaitFor([&] { return log.Count("connected 0") == 2; }));
  EXPECT_NE(s.ConnectionHandle(), earlier);
  if (s.socketDescriptor() != earlierFd) std::cout << "note: the descriptor was not reused\n";
  platform::PostMessage(s.Handle(), SocketMessage::Notification, earlier, kCloseEvent);
  platform::PostMessage(s.Handle(), SocketMessage::Notification, earlier, kReadEvent | (10054 << 16));
  socket_tests::Pump(50);
  EXPECT_EQ(s.State(), SocketState::Connected);
  EXPECT_EQ(log.Count("closed 0"), 1);
}

// A datagram socket is bound and connected inside Connect and sends each Send as one datagram.
TEST(Connection, DatagramSocket) {
  const int receiver = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(bind(receiver, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  socklen_t len = sizeof a;
  getsockname(receiver, reinterpret_cast<sockaddr*>(&a), &len);
  TcpSocket s;
  EventLog log;
  log.Attach(s);
  s.SetAddr("127.0.0.1");
  s.SetPort(std::to_string(ntohs(a.sin_port)));
  s.SetProto("udp");
  s.Connect();
  EXPECT_EQ(log.events, (Events{"state 1", "state 5", "connected 0"}));
  EXPECT_NE(s.LocalPort(), "0");
  EXPECT_EQ(s.SendStr("ping"), 4);
  char buf[16] = {};
  pollfd p{receiver, POLLIN, 0};
  ASSERT_EQ(poll(&p, 1, 5000), 1);
  EXPECT_EQ(recv(receiver, buf, sizeof buf, 0), 4);
  EXPECT_STREQ(buf, "ping");
  s.Close();
  close(receiver);
}

// An exception escaping a message handler (here the socket's own test message) reaches OnBgException,
// whose default is to abort the connection.
TEST(Connection, BackgroundExceptionAbortsByDefault) {
  ScriptedPeer peer;
  peer.ReadToEnd();
  peer.Start();
  TcpSocket s;
  EventLog log;
  log.Attach(s);
  std::string what;
  s.OnBgException = [&](BasicSocket*, const std::exception& e, bool&) { what = e.what(); };
  Target(s, peer.Port());
  s.Connect();
  ASSERT_TRUE(WaitFor([&] { return log.Has("connected 0"); }));
  platform::PostMessage(s.Handle(), SocketMessage::TriggerException);
  ASSERT_TRUE(WaitFor([&] { return s.State() == SocketState::Closed; }));
  EXPECT_EQ(what, "Test exception in WSocket");
  EXPECT_EQ(log.Count("closed 0"), 1);
  EXPECT_TRUE(peer.WaitFinished(1, 5000));
}

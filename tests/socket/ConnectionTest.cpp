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
using socket_tests::target;
using socket_tests::waitFor;
using testing_support::ScriptedPeer;

using Events = std::vector<std::string>;

TEST(Connection, RefusedConnectionReportsInOrder) {
  TcpSocket s;
  EventLog log;
  log.attach(s);
  target(s, ScriptedPeer::unusedPort());
  s.connect();
  EXPECT_EQ(log.events, (Events{"state 1", "state 3"})) << "the outcome must not be reported inside Connect";
  ASSERT_TRUE(waitFor([&] { return log.has("closed 0"); }));
  EXPECT_EQ(log.events, (Events{"state 1", "state 3", "state 5", "connected 10061", "state 8", "closed 0"}));
  EXPECT_EQ(s.state(), SocketState::Closed);
}

TEST(Connection, ConnectSendEchoClose) {
  ScriptedPeer peer;
  peer.echo();
  peer.start();
  TcpSocket s;
  EventLog log;
  log.attach(s);
  target(s, peer.port());
  s.connect();
  ASSERT_TRUE(waitFor([&] { return log.has("connected 0"); }));
  EXPECT_EQ(s.state(), SocketState::Connected);
  EXPECT_EQ(s.peerAddr(), "127.0.0.1");
  EXPECT_EQ(s.peerPort(), std::to_string(peer.port()));
  EXPECT_EQ(s.sendStr("hello"), 5);
  ASSERT_TRUE(waitFor([&] { return log.received == "hello"; }));
  EXPECT_EQ(s.readCount(), 5);
  s.close();
  EXPECT_EQ(s.state(), SocketState::Closed);
  EXPECT_EQ(s.peerAddr(), "error");
  EXPECT_EQ(s.readCount(), 0) << "a close resets the read count";
  ASSERT_TRUE(peer.waitFinished(1, 5000));
  EXPECT_EQ(peer.received(0), "hello");
  socket_tests::pump(50);
  EXPECT_EQ(log.withoutData(),
            (Events{"state 1", "state 3", "state 5", "connected 0", "sent 0", "state 8", "closed 0"}));
}

// The peer sends and closes; the bytes arrive first, one byte per event, then the close, once.
TEST(Connection, PeerCloseDeliversWaitingDataFirst) {
  for (const bool halfClose : {false, true}) {
    ScriptedPeer peer;
    peer.send("0123456789abcdef").delay(50);
    if (halfClose) {
      peer.halfClose().readToEnd();
    }
    peer.start();
    TcpSocket s;
    s.setOptions(SocketOption::NoReceiveLoop);
    EventLog log;
    log.attach(s, false);
    s.onDataAvailable = [&](BasicSocket* sender, std::uint16_t) {
      log.events.push_back("data");
      char c;
      if (sender->receive(&c, 1) == 1) log.received.push_back(c);
    };
    target(s, peer.port());
    s.connect();
    ASSERT_TRUE(waitFor([&] { return s.state() == SocketState::Closed && log.has("closed 0"); }));
    EXPECT_EQ(log.received, "0123456789abcdef");
    EXPECT_EQ(log.count("closed 0"), 1);
    const auto closedAt = std::find(log.events.begin(), log.events.end(), "closed 0");
    EXPECT_EQ(std::find(closedAt, log.events.end(), "data"), log.events.end()) << "no data after the close";
    socket_tests::pump(50);
    EXPECT_EQ(log.count("closed 0"), 1);
  }
}

TEST(Connection, ClosedWithoutDataHandlerDiscardsWaitingBytes) {
  ScriptedPeer peer;
  peer.send(std::string(5000, 'x'));
  peer.start();
  TcpSocket s;
  EventLog log;
  log.attach(s, false);
  target(s, peer.port());
  s.connect();
  ASSERT_TRUE(waitFor([&] { return log.has("closed 0"); }));
  EXPECT_EQ(s.state(), SocketState::Closed);
}

// A reset right after the accept, or a little later: the connect succeeds, the close comes once, and
// later sends fail.
TEST(Connection, PeerResetClosesOnceAndLaterSendsFail) {
  for (const int delay : {0, 20}) {
    ScriptedPeer peer;
    peer.delay(delay).reset();
    peer.start();
    TcpSocket s;
    EventLog log;
    log.attach(s);
    target(s, peer.port());
    s.connect();
    ASSERT_TRUE(waitFor([&] { return s.state() == SocketState::Closed; }));
    EXPECT_EQ(log.count("connected 0"), 1) << ::testing::PrintToString(log.events);
    EXPECT_EQ(log.count("closed 10054"), 1) << ::testing::PrintToString(log.events);
    EXPECT_EQ(s.sendStr("late"), -1);
    EXPECT_EQ(s.lastError(), 10057);
    EXPECT_EQ(log.events.back(), "error 10057");
    socket_tests::pump(50);
    EXPECT_EQ(log.count("closed 10054"), 1);
    EXPECT_EQ(log.count("closed 0"), 0) << "a reset is never an orderly close";
  }
}

// Bytes, then a reset: the bytes arrive, and the close says the connection was reset, also when the data
// handler's own read took the reset (the system reports an ordinary end after that).
TEST(Connection, ResetAfterDataClosesWithTheResetError) {
  for (const bool readPastTheData : {false, true}) {
    SCOPED_TRACE(readPastTheData ? "reads until a read fails" : "one read per event");
    ScriptedPeer peer;
    peer.send("0123456789").reset();
    peer.start();
    TcpSocket s;
    EventLog log;
    log.attach(s, false);
    s.onDataAvailable = [&](BasicSocket* sender, std::uint16_t) {
      char buf[4];
      std::int32_t n;
      while ((n = sender->receive(buf, sizeof buf)) > 0) {
        log.received.append(buf, static_cast<std::size_t>(n));
        if (!readPastTheData) break;
      }
    };
    target(s, peer.port());
    s.connect();
    ASSERT_TRUE(waitFor([&] { return s.state() == SocketState::Closed; }));
    EXPECT_EQ(log.received, "0123456789");
    EXPECT_EQ(log.count("closed 10054"), 1) << ::testing::PrintToString(log.events);
    EXPECT_EQ(log.count("closed 0"), 0) << ::testing::PrintToString(log.events);
  }
}

// A send that meets the reset before the socket has heard of it closes with 10054, exactly once.
TEST(Connection, SendIntoResetConnection) {
  ScriptedPeer peer;
  peer.delay(50).reset();
  peer.start();
  TcpSocket s;
  EventLog log;
  log.attach(s);
  target(s, peer.port());
  s.connect();
  ASSERT_TRUE(waitFor([&] { return log.has("connected 0"); })) << ::testing::PrintToString(log.events);
  ASSERT_TRUE(peer.waitFinished(1, 5000));
  // The reset has arrived once the descriptor reports it; its notification is not dispatched yet.
  pollfd resetArrived{s.socketDescriptor(), POLLIN, 0};
  ASSERT_EQ(poll(&resetArrived, 1, 5000), 1);
  s.sendStr("into the void");
  ASSERT_TRUE(waitFor([&] { return s.state() == SocketState::Closed; }));
  socket_tests::pump(50);
  EXPECT_EQ(log.count("closed 10054"), 1) << ::testing::PrintToString(log.events);
  EXPECT_EQ(log.count("closed 0"), 0) << ::testing::PrintToString(log.events);
}

TEST(Connection, SendWhenNotConnected) {
  TcpSocket s;
  EXPECT_THROW(
      try { s.sendStr("x"); } catch (const SocketException& e) {
        EXPECT_STREQ(e.what(), "Error 10057 in function Send\r\nSocket is not connected");
        throw;
      },
      SocketException);
  EventLog log;
  log.attach(s);
  EXPECT_EQ(s.sendStr("x"), -1);
  EXPECT_EQ(log.events, (Events{"error 10057"})) << "no close event for a socket that was already closed";
}

TEST(Connection, AbortClosesAtOnceAndDropsTheQueue) {
  ScriptedPeer peer;
  peer.readToEnd();
  peer.start();
  TcpSocket s;
  EventLog log;
  log.attach(s);
  target(s, peer.port());
  s.connect();
  ASSERT_TRUE(waitFor([&] { return log.has("connected 0"); }));
  s.abort();
  EXPECT_EQ(s.state(), SocketState::Closed);
  EXPECT_EQ(s.bufferedByteCount(), 0);
  EXPECT_EQ(s.lingerMode(), LingerMode::On) << "every close restores the default linger";
  EXPECT_EQ(log.count("closed 0"), 1);
  EXPECT_TRUE(peer.waitFinished(1, 5000)) << "the peer sees the end of the connection";
}

// Bytes the system accepted are still delivered after an orderly close(), even when the peer reads late
// (a zero linger time would turn the close into a reset that drops them).
TEST(Connection, CloseDeliversAcceptedBytes) {
  ScriptedPeer peer;
  peer.smallReceiveBuffer(4096).delay(200).readToEnd();
  peer.start();
  TcpSocket s;
  EventLog log;
  log.attach(s);
  target(s, peer.port());
  s.connect();
  ASSERT_TRUE(waitFor([&] { return log.has("connected 0"); }));
  const std::string data(256 * 1024, 'z');
  s.sendStr(data);
  ASSERT_TRUE(waitFor([&] { return log.has("sent 0"); }, 20000));
  s.close();
  ASSERT_TRUE(peer.waitFinished(1, 20000));
  EXPECT_EQ(peer.received(0).size(), data.size());
}

TEST(Connection, CloseDelayedRunsAfterTheEvent) {
  ScriptedPeer peer;
  peer.send("x").readToEnd();
  peer.start();
  TcpSocket s;
  EventLog log;
  log.attach(s, false);
  SocketState stateAfterCall = SocketState::Invalid;
  s.onDataAvailable = [&](BasicSocket* sender, std::uint16_t) {
    char c;
    sender->receive(&c, 1);
    sender->closeDelayed();
    stateAfterCall = sender->state();
  };
  target(s, peer.port());
  s.connect();
  ASSERT_TRUE(waitFor([&] { return log.has("closed 0"); }));
  EXPECT_EQ(stateAfterCall, SocketState::Connected);
  EXPECT_EQ(s.state(), SocketState::Closed);
}

TEST(Connection, PauseHoldsNotificationsUntilResume) {
  ScriptedPeer peer;
  peer.send("held").readToEnd();
  peer.start();
  TcpSocket s;
  EventLog log;
  log.attach(s);
  s.onSessionConnected = [&](BasicSocket* sender, std::uint16_t) {
    log.events.push_back("connected");
    sender->pause();
  };
  target(s, peer.port());
  s.connect();
  ASSERT_TRUE(waitFor([&] { return log.has("connected"); }));
  socket_tests::pump(150);
  EXPECT_EQ(log.received, "");
  s.resume();
  EXPECT_TRUE(waitFor([&] { return log.received == "held"; }));
}

TEST(Connection, SilentPeerTimesOutTheWait) {
  ScriptedPeer peer;
  peer.staySilent();
  peer.start();
  TcpSocket s;
  EventLog log;
  log.attach(s);
  target(s, peer.port());
  bool connected = false;
  s.onSessionConnected = [&](BasicSocket*, std::uint16_t e) { connected = e == 0; };
  s.connect();
  s.setTimeout(5000);
  EXPECT_EQ(s.waitUntilReady(connected), 0);
  bool dataCame = false;
  s.onDataAvailable = [&](BasicSocket*, std::uint16_t) { dataCame = true; };
  s.setTimeout(150);
  EXPECT_EQ(s.synchronize(nullptr, dataCame), kWaitTimedOut);
  EXPECT_EQ(s.state(), SocketState::Connected);
  s.close();
  EXPECT_EQ(log.count("closed 0"), 1);
}

// A data handler's exception ends its loop and goes no further; one from the connect event reaches
// the background handler, which aborts unless told otherwise.
TEST(Connection, ExceptionsFromHandlers) {
  for (const bool allowClose : {true, false}) {
    ScriptedPeer peer;
    peer.send("boom").readToEnd();
    peer.start();
    TcpSocket s;
    EventLog log;
    log.attach(s);
    int bgCalls = 0;
    s.onBackgroundException = [&](BasicSocket*, const std::exception& e, bool& canClose) {
      ++bgCalls;
      EXPECT_STREQ(e.what(), "from connected");
      canClose = allowClose;
    };
    s.onSessionConnected = [&](BasicSocket*, std::uint16_t) { throw SocketException("from connected"); };
    int dataCalls = 0;
    s.onDataAvailable = [&](BasicSocket*, std::uint16_t) {
      ++dataCalls;
      throw std::runtime_error("from data");
    };
    target(s, peer.port());
    s.connect();
    ASSERT_TRUE(waitFor([&] { return bgCalls == 1; }));
    if (allowClose) {
      EXPECT_EQ(s.state(), SocketState::Closed);
      EXPECT_EQ(log.count("closed 0"), 1);
    } else {
      ASSERT_TRUE(waitFor([&] { return dataCalls >= 1; }));
      socket_tests::pump(50);
      EXPECT_EQ(bgCalls, 1) << "the data handler's exception is swallowed";
      EXPECT_EQ(s.state(), SocketState::Connected);
    }
  }
}

// Records queued for an earlier connection are dropped, even when the new one got the same descriptor.
TEST(Connection, NotificationsOfAnEarlierConnectionAreIgnored) {
  struct Probe : TcpSocket {
    using BasicSocket::connectionHandle;
  };
  ScriptedPeer peer;
  peer.readToEnd();
  peer.start();
  Probe s;
  EventLog log;
  log.attach(s);
  target(s, peer.port());
  s.connect();
  ASSERT_TRUE(waitFor([&] { return log.count("connected 0") == 1; }));
  const std::uint64_t earlier = s.connectionHandle();
  const int earlierFd = s.socketDescriptor();
  s.close();
  target(s, peer.port());
  s.connect();
  ASSERT_TRUE(waitFor([&] { return log.count("connected 0") == 2; }));
  EXPECT_NE(s.connectionHandle(), earlier);
  if (s.socketDescriptor() != earlierFd) std::cout << "note: the descriptor was not reused\n";
  s.mailbox().post(SocketNotification{.connection = earlier, .events = kCloseEvent});
  s.mailbox().post(SocketNotification{.connection = earlier, .events = kReadEvent, .error = 10054});
  socket_tests::pump(50);
  EXPECT_EQ(s.state(), SocketState::Connected);
  EXPECT_EQ(log.count("closed 0"), 1);
}

// A datagram socket is bound and connected inside connect() and sends each send() as one datagram.
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
  log.attach(s);
  s.setAddr("127.0.0.1");
  s.setPort(std::to_string(ntohs(a.sin_port)));
  s.setProto("udp");
  s.connect();
  EXPECT_EQ(log.events, (Events{"state 1", "state 5", "connected 0"}));
  EXPECT_NE(s.localPort(), "0");
  EXPECT_EQ(s.sendStr("ping"), 4);
  char buf[16] = {};
  pollfd p{receiver, POLLIN, 0};
  ASSERT_EQ(poll(&p, 1, 5000), 1);
  EXPECT_EQ(recv(receiver, buf, sizeof buf, 0), 4);
  EXPECT_STREQ(buf, "ping");
  s.close();
  close(receiver);
}

// An exception escaping a message handler (here the socket's own test message) reaches onBackgroundException,
// whose default is to abort the connection.
TEST(Connection, BackgroundExceptionAbortsByDefault) {
  ScriptedPeer peer;
  peer.readToEnd();
  peer.start();
  TcpSocket s;
  EventLog log;
  log.attach(s);
  std::string what;
  s.onBackgroundException = [&](BasicSocket*, const std::exception& e, bool&) { what = e.what(); };
  target(s, peer.port());
  s.connect();
  ASSERT_TRUE(waitFor([&] { return log.has("connected 0"); }));
  s.mailbox().post(TestException{});
  ASSERT_TRUE(waitFor([&] { return s.state() == SocketState::Closed; }));
  EXPECT_EQ(what, "Test exception in WSocket");
  EXPECT_EQ(log.count("closed 0"), 1);
  EXPECT_TRUE(peer.waitFinished(1, 5000));
}

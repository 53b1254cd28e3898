// The socket against real peers on 127.0.0.1: connect, send, receive, close and their event order.
#include "ScriptedPeer.h"
#include "SocketFixture.h"

#include <gtest/gtest.h>

using namespace wsocket;
using socket_tests::EventLog;
using socket_tests::WaitFor;
using testing_support::ScriptedPeer;

TEST(Connection, ConnectSendEchoClose) {
  ScriptedPeer peer;
  peer.Echo();
  peer.Start();
  TWSocket s;
  EventLog log;
  log.Attach(s);
  socket_tests::Target(s, peer.Port());
  s.Connect();
  ASSERT_TRUE(WaitFor([&] { return log.Has("connected 0"); }));
  EXPECT_EQ(s.State(), wsConnected);
  EXPECT_EQ(s.SendStr("hello"), 5);
  ASSERT_TRUE(WaitFor([&] { return log.received == "hello"; }));
  s.Close();
  EXPECT_EQ(s.State(), wsClosed);
  EXPECT_EQ(log.Count("closed 0"), 1);
  ASSERT_TRUE(peer.WaitFinished(1, 5000));
  EXPECT_EQ(peer.Received(0), "hello");
}

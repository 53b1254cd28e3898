// Defaults, setters and their refusals, and what a close resets.
#include "ScriptedPeer.h"
#include "SocketFixture.h"
#include "net/socket/SocketLibrary.h"

#include <gtest/gtest.h>

#include <functional>

using namespace net;
using socket_tests::EventLog;
using socket_tests::target;
using socket_tests::waitFor;
using testing_support::ScriptedPeer;

namespace {

std::string messageOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const SocketException& e) {
    return e.what();
  }
  return "";
}

void expectDefaults(TcpSocket& s) {
  EXPECT_EQ(s.state(), SocketState::Closed);
  EXPECT_EQ(s.proto(), "tcp");
  EXPECT_EQ(s.localAddr(), "0.0.0.0");
  EXPECT_EQ(s.localPort(), "0");
  EXPECT_EQ(s.lingerMode(), LingerMode::On);
  EXPECT_EQ(s.lingerTimeout(), 0);
  EXPECT_EQ(s.flushTimeout(), 60);
  EXPECT_EQ(s.readCount(), 0);
  EXPECT_EQ(s.socksServer(), "");
  EXPECT_EQ(s.socksLevel(), "5");
  EXPECT_EQ(s.socketDescriptor(), -1);
  EXPECT_EQ(s.peerAddr(), "error");
  EXPECT_EQ(s.peerPort(), "error");
}

}  // namespace

TEST(Properties, DefaultsOfANewSocket) {
  TcpSocket s;
  expectDefaults(s);
  EXPECT_EQ(s.lastError(), 0);
  EXPECT_EQ(s.listenBacklog(), 5);
  EXPECT_EQ(s.multiCastIpTtl(), 1);
  EXPECT_EQ(s.sendFlags(), SendFlags::Normal);
  EXPECT_EQ(s.keepAliveMode(), KeepAliveMode::OnSystem);
  EXPECT_EQ(s.keepAliveTime(), 30000);
  EXPECT_EQ(s.keepAliveInterval(), 1000);
  EXPECT_EQ(s.lineMode(), false);
  EXPECT_EQ(s.lineLimit(), 65536);
  EXPECT_EQ(s.lineEnd(), "\r\n");
  EXPECT_EQ(s.options(), 0u);
  EXPECT_FALSE(s.multiThreaded());
}

// While connected the address settings refuse a change; the same text is accepted silently. With an
// onError handler the refusal only fires onError.
TEST(Properties, SettersRefuseWhileConnected) {
  ScriptedPeer peer;
  peer.readToEnd();
  peer.start();
  TcpSocket s;
  target(s, peer.port());
  bool connected = false;
  s.onSessionConnected = [&](BasicSocket*, std::uint16_t e) { connected = e == 0; };
  s.connect();
  ASSERT_TRUE(waitFor([&] { return connected; }));
  const struct {
    std::function<void()> set;
    const char* message;
  } refusals[] = {
      {[&] { s.setAddr("127.0.0.2"); }, "Cannot change Addr if not closed"},
      {[&] { s.setPort("1"); }, "Cannot change Port if not closed"},
      {[&] { s.setProto("udp"); }, "Cannot change Proto if not closed"},
      {[&] { s.setLocalAddr("127.0.0.1"); }, "Cannot change LocalAddr if not closed"},
      {[&] { s.setLocalPort("4000"); }, "Cannot change LocalPort if not closed"},
      {[&] { s.setSocksServer("127.0.0.1"); }, "Can't change socks server if not closed"},
      {[&] { s.setSocksPort("1080"); }, "Can't change socks port if not closed"},
      {[&] { s.setSocksLevel("4"); }, "Can't change socks level if not closed"},
      {[&] { s.connect(); }, "Connect: Socket already in use"},
  };
  for (const auto& r : refusals) EXPECT_EQ(messageOf(r.set), r.message);
  EXPECT_EQ(messageOf([&] { s.setAddr("127.0.0.1"); }), "") << "the same text is no change";
  EXPECT_EQ(s.addr(), "127.0.0.1");
  int errors = 0;
  s.onError = [&](BasicSocket*) { ++errors; };
  for (const auto& r : refusals) EXPECT_EQ(messageOf(r.set), "");
  EXPECT_EQ(errors, static_cast<int>(std::size(refusals)));
  EXPECT_EQ(s.addr(), "127.0.0.1");
  EXPECT_EQ(s.port(), std::to_string(peer.port()));
  EXPECT_EQ(s.state(), SocketState::Connected);
}

TEST(Properties, CloseForgetsTheTargetAndRestoresDefaults) {
  ScriptedPeer peer;
  peer.readToEnd();
  peer.start();
  TcpSocket s;
  target(s, peer.port());
  s.setLingerMode(LingerMode::Off);
  s.setLocalAddr("127.0.0.1");
  bool connected = false;
  s.onSessionConnected = [&](BasicSocket*, std::uint16_t e) { connected = e == 0; };
  s.connect();
  ASSERT_TRUE(waitFor([&] { return connected; }));
  EXPECT_EQ(s.localAddr(), "127.0.0.1");
  EXPECT_NE(s.localPort(), "0") << "after a bind LocalPort holds the port obtained";
  s.close();
  expectDefaults(s);
  EXPECT_EQ(s.addr(), "127.0.0.1") << "the texts stay, only their assignment is forgotten";
  EXPECT_EQ(messageOf([&] { s.connect(); }), "Connect: No Port Specified");
  s.setPort(std::to_string(peer.port()));
  EXPECT_EQ(messageOf([&] { s.connect(); }), "Connect: No IP Address Specified");
  s.setAddr("127.0.0.1");
  connected = false;
  s.connect();
  EXPECT_TRUE(waitFor([&] { return connected; }));
}

TEST(Properties, SetterValuesAndTheirChecks) {
  TcpSocket s;
  s.setAddr("  example.test  ");
  EXPECT_EQ(s.addr(), "example.test");
  s.setLocalAddr("");
  EXPECT_EQ(s.localAddr(), "0.0.0.0");
  EXPECT_EQ(messageOf([&] { s.setSendFlags(static_cast<SendFlags>(7)); }), "Invalid SendFlags");
  s.setSocksLevel("4a");
  EXPECT_EQ(s.socksLevel(), "4A");
  EXPECT_EQ(messageOf([&] { s.setSocksLevel("6"); }), "Invalid socks level. Must be 4, 4A or 5.");
  s.setProto("");
  EXPECT_EQ(messageOf([&] {
              s.setPort("80");
              s.connect();
            }),
            "Connect: No Protocol Specified");
}

// Texts of any length and content give the messages, never a crash.
TEST(Properties, BadAddressAndPortTexts) {
  const struct {
    std::string addr, port, message;
  } cases[] = {
      {"127.0.0.1", "70000", "connect: WSocketResolvePort: Invalid Port."},
      {"127.0.0.1", std::string(5000, '9'), "connect: WSocketResolvePort: Invalid Port."},
      {"127.0.0.1", "no-such-service",
       "connect: WSocketResolvePort: Cannot convert port 'no-such-service', Error #11004"},
      {std::string(300, 'a'), "80",
       "connect: WSocketResolveHost: '" + std::string(300, 'a') + "' Invalid Hostname."},
      {"1.2.3.09", "80", "connect: WSocketResolveHost: '1.2.3.09' Invalid IP address."},
      {std::string("\x01\xff\n\t", 4), "\x7f",
       "connect: WSocketResolvePort: Cannot convert port '\x7f', Error #11004"},
  };
  for (const auto& c : cases) {
    TcpSocket s;
    s.setAddr(c.addr);
    s.setPort(c.port);
    EXPECT_EQ(messageOf([&] { s.connect(); }), c.message);
    EXPECT_EQ(s.state(), SocketState::Closed);
    EXPECT_EQ(s.socketDescriptor(), -1);
  }
}

TEST(Properties, LibraryVersionIsFixedOnceInUse) {
  {
    TcpSocket s;
    s.dnsLookup("127.0.0.1");
    EXPECT_EQ(
        messageOf([&] { s.setReqVerLow(2); }),
        "Error 10022 in function SetReqVerLow: WinSock version can't be changed now\r\nInvalid argument");
  }
  if (library::liveSockets() == 0) {
    TcpSocket fresh;
    fresh.setReqVerLow(2);
    EXPECT_EQ(fresh.reqVerLow(), 2);
    fresh.setReqVerLow(1);
  }
}

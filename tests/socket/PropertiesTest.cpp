// Defaults, setters and their refusals, and what a close resets.
#include "ScriptedPeer.h"
#include "SocketFixture.h"
#include "net/socket/SocketLibrary.h"

#include <gtest/gtest.h>

#include <functional>

using namespace net;
using socket_tests::EventLog;
using socket_tests::Target;
using socket_tests::WaitFor;
using testing_support::ScriptedPeer;

namespace {

std::string MessageOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const SocketException& e) {
    return e.what();
  }
  return "";
}

void ExpectDefaults(TcpSocket& s) {
  EXPECT_EQ(s.State(), SocketState::Closed);
  EXPECT_EQ(s.Proto(), "tcp");
  EXPECT_EQ(s.LocalAddr(), "0.0.0.0");
  EXPECT_EQ(s.LocalPort(), "0");
  EXPECT_EQ(s.lingerMode(), LingerMode::On);
  EXPECT_EQ(s.LingerTimeout(), 0);
  EXPECT_EQ(s.FlushTimeout(), 60);
  EXPECT_EQ(s.ReadCount(), 0);
  EXPECT_EQ(s.SocksServer(), "");
  EXPECT_EQ(s.SocksLevel(), "5");
  EXPECT_EQ(s.socketDescriptor(), -1);
  EXPECT_EQ(s.PeerAddr(), "error");
  EXPECT_EQ(s.PeerPort(), "error");
}

}  // namespace

TEST(Properties, DefaultsOfANewSocket) {
  TcpSocket s;
  ExpectDefaults(s);
  EXPECT_EQ(s.LastError(), 0);
  EXPECT_EQ(s.ListenBacklog(), 5);
  EXPECT_EQ(s.MultiCastIpTTL(), 1);
  EXPECT_EQ(s.sendFlags(), SendFlags::Normal);
  EXPECT_EQ(s.keepAliveMode(), KeepAliveMode::OnSystem);
  EXPECT_EQ(s.KeepAliveTime(), 30000);
  EXPECT_EQ(s.KeepAliveInterval(), 1000);
  EXPECT_EQ(s.LineMode(), false);
  EXPECT_EQ(s.LineLimit(), 65536);
  EXPECT_EQ(s.LineEnd(), "\r\n");
  EXPECT_EQ(s.options(), 0u);
  EXPECT_FALSE(s.MultiThreaded());
}

// While connected the address settings refuse a change; the same text is accepted silently. With an
// OnError handler the refusal only fires OnError.
TEST(Properties, SettersRefuseWhileConnected) {
  ScriptedPeer peer;
  peer.ReadToEnd();
  peer.Start();
  TcpSocket s;
  Target(s, peer.Port());
  bool connected = false;
  s.OnSessionConnected = [&](BasicSocket*, std::uint16_t e) { connected = e == 0; };
  s.Connect();
  ASSERT_TRUE(WaitFor([&] { return connected; }));
  const struct {
    std::function<void()> set;
    const char* message;
  } refusals[] = {
      {[&] { s.SetAddr("127.0.0.2"); }, "Cannot change Addr if not closed"},
      {[&] { s.SetPort("1"); }, "Cannot change Port if not closed"},
      {[&] { s.SetProto("udp"); }, "Cannot change Proto if not closed"},
      {[&] { s.SetLocalAddr("127.0.0.1"); }, "Cannot change LocalAddr if not closed"},
      {[&] { s.SetLocalPort("4000"); }, "Cannot change LocalPort if not closed"},
      {[&] { s.SetSocksServer("127.0.0.1"); }, "Can't change socks server if not closed"},
      {[&] { s.SetSocksPort("1080"); }, "Can't change socks port if not closed"},
      {[&] { s.SetSocksLevel("4"); }, "Can't change socks level if not closed"},
      {[&] { s.Connect(); }, "Connect: Socket already in use"},
  };
  for (const auto& r : refusals) EXPECT_EQ(MessageOf(r.set), r.message);
  EXPECT_EQ(MessageOf([&] { s.SetAddr("127.0.0.1"); }), "") << "the same text is no change";
  EXPECT_EQ(s.Addr(), "127.0.0.1");
  int errors = 0;
  s.OnError = [&](BasicSocket*) { ++errors; };
  for (const auto& r : refusals) EXPECT_EQ(MessageOf(r.set), "");
  EXPECT_EQ(errors, static_cast<int>(std::size(refusals)));
  EXPECT_EQ(s.Addr(), "127.0.0.1");
  EXPECT_EQ(s.Port(), std::to_string(peer.Port()));
  EXPECT_EQ(s.State(), SocketState::Connected);
}

TEST(Properties, CloseForgetsTheTargetAndRestoresDefaults) {
  ScriptedPeer peer;
  peer.ReadToEnd();
  peer.Start();
  TcpSocket s;
  Target(s, peer.Port());
  s.setLingerMode(LingerMode::Off);
  s.SetLocalAddr("127.0.0.1");
  bool connected = false;
  s.OnSessionConnected = [&](BasicSocket*, std::uint16_t e) { connected = e == 0; };
  s.Connect();
  ASSERT_TRUE(WaitFor([&] { return connected; }));
  EXPECT_EQ(s.LocalAddr(), "127.0.0.1");
  EXPECT_NE(s.LocalPort(), "0") << "after a bind LocalPort holds the port obtained";
  s.Close();
  ExpectDefaults(s);
  EXPECT_EQ(s.Addr(), "127.0.0.1") << "the texts stay, only their assignment is forgotten";
  EXPECT_EQ(MessageOf([&] { s.Connect(); }), "Connect: No Port Specified");
  s.SetPort(std::to_string(peer.Port()));
  EXPECT_EQ(MessageOf([&] { s.Connect(); }), "Connect: No IP Address Specified");
  s.SetAddr("127.0.0.1");
  connected = false;
  s.Connect();
  EXPECT_TRUE(WaitFor([&] { return connected; }));
}

TEST(Properties, SetterValuesAndTheirChecks) {
  TcpSocket s;
  s.SetAddr("  example.test  ");
  EXPECT_EQ(s.Addr(), "example.test");
  s.SetLocalAddr("");
  EXPECT_EQ(s.LocalAddr(), "0.0.0.0");
  EXPECT_EQ(MessageOf([&] { s.setSendFlags(static_cast<SendFlags>(7)); }), "Invalid SendFlags");
  s.SetSocksLevel("4a");
  EXPECT_EQ(s.SocksLevel(), "4A");
  EXPECT_EQ(MessageOf([&] { s.SetSocksLevel("6"); }), "Invalid socks level. Must be 4, 4A or 5.");
  s.SetProto("");
  EXPECT_EQ(MessageOf([&] {
              s.SetPort("80");
              s.Connect();
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
    s.SetAddr(c.addr);
    s.SetPort(c.port);
    EXPECT_EQ(MessageOf([&] { s.Connect(); }), c.message);
    EXPECT_EQ(s.State(), SocketState::Closed);
    EXPECT_EQ(s.socketDescriptor(), -1);
  }
}

TEST(Properties, LibraryVersionIsFixedOnceInUse) {
  {
    TcpSocket s;
    s.DnsLookup("127.0.0.1");
    EXPECT_EQ(
        MessageOf([&] { s.SetReqVerLow(2); }),
        "Error 10022 in function SetReqVerLow: WinSock version can't be changed now\r\nInvalid argument");
  }
  if (library::LiveSockets() == 0) {
    TcpSocket fresh;
    fresh.SetReqVerLow(2);
    EXPECT_EQ(fresh.ReqVerLow(), 2);
    fresh.SetReqVerLow(1);
  }
}

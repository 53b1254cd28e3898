// SOCKS negotiation of the socket: through a real SOCKS 5 proxy (microsocks, with and without user name
// and password) to an echoing peer, and against a scripted proxy for SOCKS 4 and 4A and for replies a
// real proxy would not send: refusals, malformed and short replies, replies split byte by byte, and
// tunnelled bytes arriving in the same read as the reply.
#include "ScriptedPeer.h"
#include "SocketFixture.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <thread>

using namespace net;
using namespace std::string_literals;
using socket_tests::EventLog;
using socket_tests::Target;
using socket_tests::WaitFor;
using testing_support::ScriptedPeer;

extern char** environ;

namespace {

// A microsocks process listening on 127.0.0.1, started by the test and stopped with it.
class Microsocks {
 public:
  explicit Microsocks(const std::string& user = "", const std::string& password = "")
      : port_(ScriptedPeer::UnusedPort()) {
    std::vector<std::string> args = {"microsocks", "-i", "127.0.0.1", "-p", std::to_string(port_)};
    if (!user.empty()) args.insert(args.end(), {"-u", user, "-P", password});
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    // Its log of every client would clutter the test output.
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
    if (posix_spawnp(&pid_, "microsocks", &quiet, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&quiet);
  }
  ~Microsocks() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  Microsocks(const Microsocks&) = delete;
  Microsocks& operator=(const Microsocks&) = delete;

  std::uint16_t Port() const { return port_; }

  // The proxy announces nothing when it is up: try its port until it answers (5 s at most).
  bool WaitListening() const {
    if (pid_ <= 0) return false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < deadline) {
      const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
      sockaddr_in a{};
      a.sin_family = AF_INET;
      a.sin_port = htons(port_);
      a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      const bool up = connect(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0;
      close(fd);
      if (up) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
  }

 private:
  std::uint16_t port_;
  pid_t pid_ = -1;
};

// A socket aimed through a SOCKS proxy at `target`, with every event in one log.
struct SocksClient {
  TcpSocket s;
  EventLog log;
  std::vector<std::string> socksLog;

  explicit SocksClient(bool readData = true) {
    log.Attach(s, readData);
    s.OnSocksConnected = [this](BasicSocket*, std::uint16_t e) {
      log.events.push_back("socks connected " + std::to_string(e));
    };
    s.OnSocksError = [this](BasicSocket*, std::int32_t e, const std::string& msg) {
      log.events.push_back("socks error " + std::to_string(e) + " " + msg);
    };
    s.OnSocksAuthState = [this](BasicSocket*, SocksAuthState st) {
      log.events.push_back("auth " + std::to_string(static_cast<int>(st)));
    };
    s.OnChangeState = nullptr;  // the state steps are the base layer's business
  }

  void Connect(std::uint16_t proxyPort, const std::string& level, const std::string& addr,
               std::uint16_t port) {
    s.SetSocksServer("127.0.0.1");
    s.SetSocksPort(std::to_string(proxyPort));
    s.SetSocksLevel(level);
    s.SetAddr(addr);
    s.SetPort(std::to_string(port));
    s.Connect();
  }

  bool WaitConnected() {
    return WaitFor([&] {
      for (const auto& e : log.events) {
        if (e.rfind("connected ", 0) == 0) return true;
      }
      return false;
    });
  }
};

std::vector<std::string> Events(std::initializer_list<std::string> e) {
  return e;
}

std::string Pattern(std::size_t n) {
  std::string s(n, '\0');
  for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>('a' + (i * 7 + i / 251) % 26);
  return s;
}

// Sends `data` once the tunnel stands and waits until the echo of all of it came back.
void EchoThrough(SocksClient& c, const std::string& data) {
  c.s.OnSessionConnected = [&](BasicSocket* sender, std::uint16_t e) {
    c.log.events.push_back("connected " + std::to_string(e));
    if (e == 0) sender->SendStr(data);
  };
}

}  // namespace

// --- Through a real SOCKS 5 proxy -----------------------------------------------------------------

TEST(Socks5Proxy, TunnelCarriesBytesBothWays) {
  struct Case {
    std::string name, user, password;
    std::vector<std::string> authEvents;
  };
  const Case cases[] = {
      {"no authentication", "", "", {}},
      {"user name and password", "clip", "s3cret", {"auth 0", "auth 1"}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    ScriptedPeer target;
    target.Echo();
    target.Start();
    Microsocks proxy(k.user, k.password);
    ASSERT_TRUE(proxy.WaitListening());
    SocksClient c;
    const std::string data = Pattern(200000);
    EchoThrough(c, data);
    if (!k.user.empty()) {
      c.s.setSocksAuthentication(SocksAuthentication::UserCode);
      c.s.SetSocksUsercode(k.user);
      c.s.SetSocksPassword(k.password);
    }
    c.Connect(proxy.Port(), "5", "127.0.0.1", target.Port());
    ASSERT_TRUE(WaitFor([&] { return c.log.received.size() >= data.size(); }, 10000));
    EXPECT_TRUE(c.log.received == data) << "the echo differs from what was sent";
    std::vector<std::string> expected = {"socks connected 0"};
    expected.insert(expected.end(), k.authEvents.begin(), k.authEvents.end());
    expected.push_back("connected 0");
    expected.push_back("sent 0");
    EXPECT_EQ(c.log.WithoutData(), expected);
    EXPECT_EQ(c.s.SocksBoundPort().empty(), false);
    c.s.Close();
    ASSERT_TRUE(target.WaitFinished(1, 5000));
    EXPECT_TRUE(target.Received(0) == data) << "the target must see the application's bytes only";
    EXPECT_EQ(c.s.SocksServer(), "") << "a close forgets the proxy";
  }
}

TEST(Socks5Proxy, RefusedCredentials) {
  ScriptedPeer target;
  target.Echo();
  target.Start();
  Microsocks proxy("clip", "s3cret");
  ASSERT_TRUE(proxy.WaitListening());
  struct Case {
    std::string name;
    SocksAuthentication auth;
    std::vector<std::string> events;
  };
  const Case cases[] = {
      {"wrong password",
       SocksAuthentication::UserCode,
       {"socks connected 0", "auth 0", "auth 2", "socks error 20015 socks authentication failed",
        "connected 20015", "closed 20015"}},
      {"no credentials offered",
       SocksAuthentication::None,
       {"socks connected 0", "socks error 20003 authentification method not acceptable", "connected 20003",
        "closed 20003"}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    SocksClient c;
    c.s.setSocksAuthentication(k.auth);
    c.s.SetSocksUsercode("clip");
    c.s.SetSocksPassword("wrong");
    c.Connect(proxy.Port(), "5", "127.0.0.1", target.Port());
    ASSERT_TRUE(WaitFor([&] { return c.log.Has(k.events.back()); }));
    EXPECT_EQ(c.log.events, k.events);
    EXPECT_EQ(c.s.State(), SocketState::Closed);
  }
  EXPECT_EQ(target.Accepted(), 0);
}

TEST(Socks5Proxy, ProxyNotListening) {
  SocksClient c;
  c.Connect(ScriptedPeer::UnusedPort(), "5", "127.0.0.1", 80);
  ASSERT_TRUE(WaitFor([&] { return c.log.Has("closed 0"); }));
  EXPECT_EQ(c.log.events, Events({"socks connected 10061", "connected 10061", "closed 0"}));
}

// --- Against a scripted proxy ----------------------------------------------------------------------

namespace {

// One conversation with a scripted proxy: what it reads and answers, and what the client must see.
struct Exchange {
  std::string name;
  std::string level;
  std::string addr;                   // the target as the client names it
  std::vector<std::string> requests;  // exact bytes the proxy must receive, in order
  std::vector<std::string> replies;   // sent after each request
  bool splitLastReply = false;        // the last reply goes out byte by byte
  std::vector<std::string> events;    // expected, without data events
  std::string tunnelled;              // bytes the application must get
};

constexpr std::uint16_t kTargetPort = 8080;
const std::string kPort = "\x1f\x90"s;  // 8080 in network order
const std::string kGreeting = "\x05\x01\x00"s;
const std::string kConnect5 =
    "\x05\x01\x00\x03\x09"
    "127.0.0.1"s +
    kPort;
const std::string kMethodNone = "\x05\x00"s;
const std::string kSocks5Ok = "\x05\x00\x00\x01\x7f\x00\x00\x01\x04\x38"s;
const std::string kSocks4Request = "\x04\x01"s + kPort +
                                   "\x7f\x00\x00\x01"
                                   "alice\x00"s;
const std::string kSocks4Ok = "\x00\x5a\x00\x00\x00\x00\x00\x00"s;

void Script(ScriptedPeer& proxy, const Exchange& x) {
  for (std::size_t i = 0; i < x.requests.size(); ++i) {
    proxy.Read(x.requests[i].size());
    if (i >= x.replies.size()) continue;
    const bool split = x.splitLastReply && i + 1 == x.replies.size();
    if (!split) {
      proxy.Send(x.replies[i]);
      continue;
    }
    for (char byte : x.replies[i]) proxy.Send(std::string(1, byte)).Delay(15);
  }
  proxy.ReadToEnd();
}

std::string Joined(const std::vector<std::string>& parts) {
  std::string out;
  for (const auto& p : parts) out += p;
  return out;
}

void Converse(const Exchange& x, const std::function<void(SocksClient&)>& setup = {}) {
  SCOPED_TRACE(x.name);
  ScriptedPeer proxy;
  Script(proxy, x);
  proxy.Start();
  SocksClient c;
  c.s.SetSocksUsercode("alice");
  if (setup) setup(c);
  c.Connect(proxy.Port(), x.level, x.addr, kTargetPort);
  ASSERT_TRUE(WaitFor([&] { return c.log.Has(x.events.back()); })) << testing::PrintToString(c.log.events);
  if (!x.tunnelled.empty()) {
    ASSERT_TRUE(WaitFor([&] { return c.log.received.size() >= x.tunnelled.size(); }));
    // The first data event comes right after the end-to-end connect.
    const auto at = std::find(c.log.events.begin(), c.log.events.end(), "connected 0");
    ASSERT_NE(at, c.log.events.end());
    ASSERT_NE(at + 1, c.log.events.end());
    EXPECT_EQ(*(at + 1), "data 0");
  }
  EXPECT_EQ(c.log.WithoutData(), x.events);
  EXPECT_TRUE(c.log.received == x.tunnelled) << testing::PrintToString(c.log.received);
  c.s.Close();
  ASSERT_TRUE(proxy.WaitFinished(1, 5000));
  EXPECT_TRUE(proxy.Received(0) == Joined(x.requests)) << testing::PrintToString(proxy.Received(0));
}

}  // namespace

TEST(SocksScripted, Socks4And4A) {
  const std::vector<Exchange> cases = {
      {"4 granted, tunnelled bytes in the same read",
       "4",
       "127.0.0.1",
       {kSocks4Request},
       {kSocks4Ok + "tunnel!"},
       false,
       {"socks connected 0", "connected 0"},
       "tunnel!"},
      {"4 granted byte by byte",
       "4",
       "127.0.0.1",
       {kSocks4Request},
       {kSocks4Ok + "x"},
       true,
       {"socks connected 0", "connected 0"},
       "x"},
      {"4A sends the name",
       "4A",
       "target.example",
       {"\x04\x01"s + kPort +
        "\x00\x00\x00\x01"
        "alice\x00"
        "target.example\x00"s},
       {kSocks4Ok},
       false,
       {"socks connected 0", "connected 0"},
       ""},
      {"4 rejected",
       "4",
       "127.0.0.1",
       {kSocks4Request},
       {"\x00\x5b\x00\x00\x00\x00\x00\x00"s},
       false,
       {"socks connected 0", "socks error 20016 request rejected or failed", "connected 20016",
        "closed 20016"},
       ""},
      {"4 wrong reply version, judged only when whole",
       "4",
       "127.0.0.1",
       {kSocks4Request},
       {"\x04\x5a\x00\x00\x00\x00\x00\x00"s},
       true,
       {"socks connected 0", "socks error 20002 socks version error", "connected 20002", "closed 20002"},
       ""},
      {"4 unassigned status",
       "4",
       "127.0.0.1",
       {kSocks4Request},
       {"\x00\xff\x00\x00\x00\x00\x00\x00"s},
       false,
       {"socks connected 0", "socks error 20012 unassigned error #255", "connected 20012", "closed 20012"},
       ""},
  };
  for (const Exchange& x : cases) Converse(x);
}

TEST(SocksScripted, Socks5Replies) {
  const std::vector<Exchange> cases = {
      {"success, tunnelled bytes in the same read",
       "5",
       "127.0.0.1",
       {kGreeting, kConnect5},
       {kMethodNone, kSocks5Ok + "hello through"},
       false,
       {"socks connected 0", "connected 0"},
       "hello through"},
      {"success byte by byte, name and port of the bound end",
       "5",
       "127.0.0.1",
       {kGreeting, kConnect5},
       {kMethodNone, "\x05\x00\x00\x03\x05proxy\x00\x50!"s},
       true,
       {"socks connected 0", "connected 0"},
       "!"},
      {"bound end given as IPv6",
       "5",
       "127.0.0.1",
       {kGreeting, kConnect5},
       {kMethodNone, "\x05\x00\x00\x04"s + std::string(15, '\0') + "\x01\x01\xbb"s},
       false,
       {"socks connected 0", "connected 0"},
       ""},
      {"greeting answered by version 4",
       "5",
       "127.0.0.1",
       {kGreeting},
       {"\x04\x00"s},
       false,
       {"socks connected 0", "socks error 20002 socks version error", "connected 20002", "closed 20002"},
       ""},
      {"host unreachable",
       "5",
       "127.0.0.1",
       {kGreeting, kConnect5},
       {kMethodNone, "\x05\x04\x00\x01\x00\x00\x00\x00\x00\x00"s},
       false,
       {"socks connected 0", "socks error 20007 host unreachable", "connected 20007", "closed 20007"},
       ""},
      {"unknown address type",
       "5",
       "127.0.0.1",
       {kGreeting, kConnect5},
       {kMethodNone, "\x05\x00\x00\x07\x00\x00\x00\x00\x00\x00"s},
       false,
       {"socks connected 0", "socks error 20011 address type not supported", "connected 20011",
        "closed 20011"},
       ""},
      {"proxy leaves in the middle of the reply",
       "5",
       "127.0.0.1",
       {kGreeting, kConnect5},
       {kMethodNone, "\x05\x00\x00\x01\x7f"s},
       false,
       {"socks connected 0", "socks error 10053 data receive error", "connected 10053", "closed 10053"},
       ""},
  };
  for (const Exchange& x : cases) {
    if (x.name == "proxy leaves in the middle of the reply") {
      // The proxy half-closes after the short reply instead of waiting for the client.
      ScriptedPeer proxy;
      proxy.Read(kGreeting.size()).Send(kMethodNone).Read(kConnect5.size()).Send(x.replies[1]).HalfClose();
      proxy.ReadToEnd();
      proxy.Start();
      SocksClient c;
      c.Connect(proxy.Port(), "5", x.addr, kTargetPort);
      ASSERT_TRUE(WaitFor([&] { return c.log.Has(x.events.back()); }))
          << testing::PrintToString(c.log.events);
      EXPECT_EQ(c.log.events, x.events);
      continue;
    }
    Converse(x);
  }
}

TEST(SocksScripted, BoundEndIsKept) {
  ScriptedPeer proxy;
  proxy.Read(kGreeting.size()).Send(kMethodNone).Read(kConnect5.size());
  proxy.Send("\x05\x00\x00\x03\x05proxy\x00\x50"s).ReadToEnd();
  proxy.Start();
  SocksClient c;
  c.Connect(proxy.Port(), "5", "127.0.0.1", kTargetPort);
  ASSERT_TRUE(c.WaitConnected());
  EXPECT_EQ(c.s.SocksBoundAddr(), "proxy");
  EXPECT_EQ(c.s.SocksBoundPort(), "80");
}

TEST(SocksScripted, AuthenticationSteps) {
  const std::string authRequest =
      "\x01\x05"
      "alice"
      "\x02"
      "pw"s;
  const std::string greeting2 = "\x05\x01\x02"s;
  auto withPassword = [](SocksClient& c) {
    c.s.setSocksAuthentication(SocksAuthentication::UserCode);
    c.s.SetSocksPassword("pw");
  };
  const std::vector<Exchange> cases = {
      {"accepted",
       "5",
       "127.0.0.1",
       {greeting2, authRequest, kConnect5},
       {"\x05\x02"s, "\x01\x00"s, kSocks5Ok},
       false,
       {"socks connected 0", "auth 0", "auth 1", "connected 0"},
       ""},
      {"not required although offered",
       "5",
       "127.0.0.1",
       {greeting2, kConnect5},
       {kMethodNone, kSocks5Ok},
       false,
       {"socks connected 0", "auth 3", "connected 0"},
       ""},
      {"wrong sub-negotiation version",
       "5",
       "127.0.0.1",
       {greeting2, authRequest},
       {"\x05\x02"s, "\x05\x00"s},
       false,
       {"socks connected 0", "auth 0", "auth 2", "socks error 20002 socks version error", "connected 20002",
        "closed 20002"},
       ""},
  };
  for (const Exchange& x : cases) Converse(x, withPassword);
}

TEST(SocksScripted, ProxyClosesDuringAuthentication) {
  ScriptedPeer proxy;
  proxy.Read(3).Send("\x05\x02"s).Read(10).HalfClose().ReadToEnd();
  proxy.Start();
  SocksClient c;
  c.s.setSocksAuthentication(SocksAuthentication::UserCode);
  c.s.SetSocksUsercode("alice");
  c.s.SetSocksPassword("pw");
  c.Connect(proxy.Port(), "5", "127.0.0.1", kTargetPort);
  ASSERT_TRUE(WaitFor([&] { return c.log.Has("closed 10053"); })) << testing::PrintToString(c.log.events);
  EXPECT_EQ(c.log.events,
            Events({"socks connected 0", "auth 0", "auth 2", "socks error 10053 data receive error",
                    "connected 10053", "closed 10053"}));
}

TEST(SocksScripted, LinesStartAfterTheReply) {
  ScriptedPeer proxy;
  proxy.Read(kGreeting.size()).Send(kMethodNone).Read(kConnect5.size());
  proxy.Send(kSocks5Ok + "one\r\ntwo\r\n").ReadToEnd();
  proxy.Start();
  SocksClient c(false);
  std::vector<std::string> lines;
  c.s.OnDataAvailable = [&](BasicSocket* sender, std::uint16_t) { lines.push_back(sender->ReceiveStr()); };
  c.s.SetLineMode(true);
  c.Connect(proxy.Port(), "5", "127.0.0.1", kTargetPort);
  ASSERT_TRUE(WaitFor([&] { return lines.size() >= 2; }));
  EXPECT_EQ(lines, Events({"one\r\n", "two\r\n"}));
}

TEST(SocksScripted, Socks4TargetThatCannotBeResolved) {
  ScriptedPeer proxy;
  proxy.ReadToEnd();
  proxy.Start();
  SocksClient c;
  const std::string host(257, 'h');
  c.Connect(proxy.Port(), "4", host, kTargetPort);
  ASSERT_TRUE(WaitFor([&] { return c.log.Has("closed 20017"); })) << testing::PrintToString(c.log.events);
  EXPECT_EQ(c.log.events,
            Events({"socks connected 0",
                    "socks error 20017 ESocketException WSocketResolveHost: '" + host + "' Invalid Hostname.",
                    "connected 20017", "closed 20017"}));
}

// --- Refusals before any connection -----------------------------------------------------------------

TEST(SocksConnect, RefusesWhatCannotBeSent) {
  struct Case {
    std::string name;
    std::function<void(TcpSocket&)> setup;
    std::string message;
  };
  const Case cases[] = {
      {"udp", [](TcpSocket& s) { s.SetProto("udp"); },
       "tcp is the only protocol supported thru socks server"},
      {"long credentials",
       [](TcpSocket& s) {
         s.setSocksAuthentication(SocksAuthentication::UserCode);
         s.SetSocksUsercode(std::string(100, 'u'));
         s.SetSocksPassword(std::string(26, 'p'));
       },
       "Connect: socks user code and password too long"},
      {"long host name for 5", [](TcpSocket& s) { s.SetAddr(std::string(256, 'h')); },
       "Connect: host name too long for a socks server"},
      {"long user id for 4",
       [](TcpSocket& s) {
         s.SetSocksLevel("4");
         s.SetSocksUsercode(std::string(120, 'u'));
       },
       "Connect: socks user code or host name too long"},
      {"no proxy port", [](TcpSocket& s) { s.SetSocksPort(""); },
       "connect: WSocketResolvePort: Invalid Port."},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    TcpSocket s;
    s.SetSocksServer("127.0.0.1");
    s.SetSocksPort("1080");
    Target(s, 80);
    k.setup(s);
    std::string message;
    try {
      s.Connect();
    } catch (const SocketException& e) {
      message = e.what();
    }
    EXPECT_EQ(message, k.message);
    EXPECT_EQ(s.socketDescriptor(), -1);
  }
}

TEST(SocksConnect, WithoutProxyNothingOfSocksRuns) {
  ScriptedPeer peer;
  peer.Send("direct").ReadToEnd();
  peer.Start();
  SocksClient c;
  Target(c.s, peer.Port());
  c.s.Connect();
  ASSERT_TRUE(WaitFor([&] { return c.log.received == "direct"; }));
  EXPECT_EQ(c.log.WithoutData(), Events({"connected 0"}));
}

TEST(SocksScripted, TunnelledBytesWithOneEventPerRead) {
  const Exchange x{"no receive loop",
                   "5",
                   "127.0.0.1",
                   {kGreeting, kConnect5},
                   {kMethodNone, kSocks5Ok + "after"},
                   false,
                   {"socks connected 0", "connected 0"},
                   "after"};
  Converse(x, [](SocksClient& c) { c.s.setOptions(SocketOption::NoReceiveLoop); });
}

TEST(SocksScripted, ProxyClosesRightAfterSuccessAndData) {
  ScriptedPeer proxy;
  proxy.Read(kGreeting.size()).Send(kMethodNone).Read(kConnect5.size());
  proxy.Send(kSocks5Ok + "bye").HalfClose().ReadToEnd();
  proxy.Start();
  SocksClient c;
  c.Connect(proxy.Port(), "5", "127.0.0.1", kTargetPort);
  ASSERT_TRUE(WaitFor([&] { return c.log.Has("closed 0"); })) << testing::PrintToString(c.log.events);
  EXPECT_EQ(c.log.WithoutData(), Events({"socks connected 0", "connected 0", "closed 0"}));
  EXPECT_EQ(c.log.received, "bye");
}

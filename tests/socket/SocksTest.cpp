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
using socket_tests::target;
using socket_tests::waitFor;
using testing_support::ScriptedPeer;

extern char** environ;

namespace {

// A microsocks process listening on 127.0.0.1, started by the test and stopped with it.
class Microsocks {
 public:
  explicit Microsocks(const std::string& user = "", const std::string& password = "")
      : port_(ScriptedPeer::unusedPort()) {
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

  std::uint16_t port() const { return port_; }

  // The proxy announces nothing when it is up: try its port until it answers (5 s at most).
  bool waitListening() const {
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
    log.attach(s, readData);
    s.onSocksConnected = [this](BasicSocket*, std::uint16_t e) {
      log.events.push_back("socks connected " + std::to_string(e));
    };
    s.onSocksError = [this](BasicSocket*, std::int32_t e, const std::string& msg) {
      log.events.push_back("socks error " + std::to_string(e) + " " + msg);
    };
    s.onSocksAuthState = [this](BasicSocket*, SocksAuthState st) {
      log.events.push_back("auth " + std::to_string(static_cast<int>(st)));
    };
    s.onStateChange = nullptr;  // the state steps are the base layer's business
  }

  void connect(std::uint16_t proxyPort, const std::string& level, const std::string& addr,
               std::uint16_t port) {
    s.setSocksServer("127.0.0.1");
    s.setSocksPort(std::to_string(proxyPort));
    s.setSocksLevel(level);
    s.setAddr(addr);
    s.setPort(std::to_string(port));
    s.connect();
  }

  bool waitConnected() {
    return waitFor([&] {
      for (const auto& e : log.events) {
        if (e.rfind("connected ", 0) == 0) return true;
      }
      return false;
    });
  }
};

std::vector<std::string> events(std::initializer_list<std::string> e) {
  return e;
}

std::string pattern(std::size_t n) {
  std::string s(n, '\0');
  for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>('a' + (i * 7 + i / 251) % 26);
  return s;
}

// Sends `data` once the tunnel stands and waits until the echo of all of it came back.
void echoThrough(SocksClient& c, const std::string& data) {
  c.s.onSessionConnected = [&](BasicSocket* sender, std::uint16_t e) {
    c.log.events.push_back("connected " + std::to_string(e));
    if (e == 0) sender->sendStr(data);
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
    target.echo();
    target.start();
    Microsocks proxy(k.user, k.password);
    ASSERT_TRUE(proxy.waitListening());
    SocksClient c;
    const std::string data = pattern(200000);
    echoThrough(c, data);
    if (!k.user.empty()) {
      c.s.setSocksAuthentication(SocksAuthentication::UserCode);
      c.s.setSocksUsercode(k.user);
      c.s.setSocksPassword(k.password);
    }
    c.connect(proxy.port(), "5", "127.0.0.1", target.port());
    // The echo can be back before the event that all was sent is handled: both are waited for.
    ASSERT_TRUE(waitFor(
        [&] {
          const std::vector<std::string> events = c.log.withoutData();
          return c.log.received.size() >= data.size() &&
                 std::find(events.begin(), events.end(), "sent 0") != events.end();
        },
        10000));
    EXPECT_TRUE(c.log.received == data) << "the echo differs from what was sent";
    std::vector<std::string> expected = {"socks connected 0"};
    expected.insert(expected.end(), k.authEvents.begin(), k.authEvents.end());
    expected.push_back("connected 0");
    expected.push_back("sent 0");
    EXPECT_EQ(c.log.withoutData(), expected);
    EXPECT_EQ(c.s.socksBoundPort().empty(), false);
    c.s.close();
    ASSERT_TRUE(target.waitFinished(1, 5000));
    EXPECT_TRUE(target.received(0) == data) << "the target must see the application's bytes only";
    EXPECT_EQ(c.s.socksServer(), "") << "a close forgets the proxy";
  }
}

TEST(Socks5Proxy, RefusedCredentials) {
  ScriptedPeer target;
  target.echo();
  target.start();
  Microsocks proxy("clip", "s3cret");
  ASSERT_TRUE(proxy.waitListening());
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
    c.s.setSocksUsercode("clip");
    c.s.setSocksPassword("wrong");
    c.connect(proxy.port(), "5", "127.0.0.1", target.port());
    ASSERT_TRUE(waitFor([&] { return c.log.has(k.events.back()); }));
    EXPECT_EQ(c.log.events, k.events);
    EXPECT_EQ(c.s.state(), SocketState::Closed);
  }
  EXPECT_EQ(target.accepted(), 0);
}

TEST(Socks5Proxy, ProxyNotListening) {
  SocksClient c;
  c.connect(ScriptedPeer::unusedPort(), "5", "127.0.0.1", 80);
  ASSERT_TRUE(waitFor([&] { return c.log.has("closed 0"); }));
  EXPECT_EQ(c.log.events, events({"socks connected 10061", "connected 10061", "closed 0"}));
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

void script(ScriptedPeer& proxy, const Exchange& x) {
  for (std::size_t i = 0; i < x.requests.size(); ++i) {
    proxy.read(x.requests[i].size());
    if (i >= x.replies.size()) continue;
    const bool split = x.splitLastReply && i + 1 == x.replies.size();
    if (!split) {
      proxy.send(x.replies[i]);
      continue;
    }
    for (char byte : x.replies[i]) proxy.send(std::string(1, byte)).delay(15);
  }
  proxy.readToEnd();
}

std::string joined(const std::vector<std::string>& parts) {
  std::string out;
  for (const auto& p : parts) out += p;
  return out;
}

void converse(const Exchange& x, const std::function<void(SocksClient&)>& setup = {}) {
  SCOPED_TRACE(x.name);
  ScriptedPeer proxy;
  script(proxy, x);
  proxy.start();
  SocksClient c;
  c.s.setSocksUsercode("alice");
  if (setup) setup(c);
  c.connect(proxy.port(), x.level, x.addr, kTargetPort);
  ASSERT_TRUE(waitFor([&] { return c.log.has(x.events.back()); })) << testing::PrintToString(c.log.events);
  if (!x.tunnelled.empty()) {
    ASSERT_TRUE(waitFor([&] { return c.log.received.size() >= x.tunnelled.size(); }));
    // The first data event comes right after the end-to-end connect.
    const auto at = std::find(c.log.events.begin(), c.log.events.end(), "connected 0");
    ASSERT_NE(at, c.log.events.end());
    ASSERT_NE(at + 1, c.log.events.end());
    EXPECT_EQ(*(at + 1), "data 0");
  }
  EXPECT_EQ(c.log.withoutData(), x.events);
  EXPECT_TRUE(c.log.received == x.tunnelled) << testing::PrintToString(c.log.received);
  c.s.close();
  ASSERT_TRUE(proxy.waitFinished(1, 5000));
  EXPECT_TRUE(proxy.received(0) == joined(x.requests)) << testing::PrintToString(proxy.received(0));
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
  for (const Exchange& x : cases) converse(x);
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
      proxy.read(kGreeting.size()).send(kMethodNone).read(kConnect5.size()).send(x.replies[1]).halfClose();
      proxy.readToEnd();
      proxy.start();
      SocksClient c;
      c.connect(proxy.port(), "5", x.addr, kTargetPort);
      ASSERT_TRUE(waitFor([&] { return c.log.has(x.events.back()); }))
          << testing::PrintToString(c.log.events);
      EXPECT_EQ(c.log.events, x.events);
      continue;
    }
    converse(x);
  }
}

TEST(SocksScripted, BoundEndIsKept) {
  ScriptedPeer proxy;
  proxy.read(kGreeting.size()).send(kMethodNone).read(kConnect5.size());
  proxy.send("\x05\x00\x00\x03\x05proxy\x00\x50"s).readToEnd();
  proxy.start();
  SocksClient c;
  c.connect(proxy.port(), "5", "127.0.0.1", kTargetPort);
  ASSERT_TRUE(c.waitConnected());
  EXPECT_EQ(c.s.socksBoundAddr(), "proxy");
  EXPECT_EQ(c.s.socksBoundPort(), "80");
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
    c.s.setSocksPassword("pw");
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
  for (const Exchange& x : cases) converse(x, withPassword);
}

TEST(SocksScripted, ProxyClosesDuringAuthentication) {
  ScriptedPeer proxy;
  proxy.read(3).send("\x05\x02"s).read(10).halfClose().readToEnd();
  proxy.start();
  SocksClient c;
  c.s.setSocksAuthentication(SocksAuthentication::UserCode);
  c.s.setSocksUsercode("alice");
  c.s.setSocksPassword("pw");
  c.connect(proxy.port(), "5", "127.0.0.1", kTargetPort);
  ASSERT_TRUE(waitFor([&] { return c.log.has("closed 10053"); })) << testing::PrintToString(c.log.events);
  EXPECT_EQ(c.log.events,
            events({"socks connected 0", "auth 0", "auth 2", "socks error 10053 data receive error",
                    "connected 10053", "closed 10053"}));
}

TEST(SocksScripted, LinesStartAfterTheReply) {
  ScriptedPeer proxy;
  proxy.read(kGreeting.size()).send(kMethodNone).read(kConnect5.size());
  proxy.send(kSocks5Ok + "one\r\ntwo\r\n").readToEnd();
  proxy.start();
  SocksClient c(false);
  std::vector<std::string> lines;
  c.s.onDataAvailable = [&](BasicSocket* sender, std::uint16_t) { lines.push_back(sender->receiveStr()); };
  c.s.setLineMode(true);
  c.connect(proxy.port(), "5", "127.0.0.1", kTargetPort);
  ASSERT_TRUE(waitFor([&] { return lines.size() >= 2; }));
  EXPECT_EQ(lines, events({"one\r\n", "two\r\n"}));
}

TEST(SocksScripted, Socks4TargetThatCannotBeResolved) {
  ScriptedPeer proxy;
  proxy.readToEnd();
  proxy.start();
  SocksClient c;
  const std::string host(257, 'h');
  c.connect(proxy.port(), "4", host, kTargetPort);
  ASSERT_TRUE(waitFor([&] { return c.log.has("closed 20017"); })) << testing::PrintToString(c.log.events);
  EXPECT_EQ(c.log.events,
            events({"socks connected 0",
                    "socks error 20017 SocketException WSocketResolveHost: '" + host + "' Invalid Hostname.",
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
      {"udp", [](TcpSocket& s) { s.setProto("udp"); },
       "tcp is the only protocol supported thru socks server"},
      {"long password",
       [](TcpSocket& s) {
         s.setSocksAuthentication(SocksAuthentication::UserCode);
         s.setSocksUsercode(std::string(100, 'u'));
         s.setSocksPassword(std::string(26, 'p'));
       },
       "Connect: socks password too long (26 bytes, at most 25 with this socks user code)"},
      {"long user code for 5",
       [](TcpSocket& s) {
         s.setSocksAuthentication(SocksAuthentication::UserCode);
         s.setSocksUsercode(std::string(126, 'u'));
       },
       "Connect: socks user code too long (126 bytes, at most 125 with the password)"},
      {"long host name for 5", [](TcpSocket& s) { s.setAddr(std::string(256, 'h')); },
       "Connect: host name too long (256 bytes, at most 255 for a socks server)"},
      {"long user id for 4",
       [](TcpSocket& s) {
         s.setSocksLevel("4");
         s.setSocksUsercode(std::string(120, 'u'));
       },
       "Connect: socks user code too long (120 bytes, at most 119)"},
      {"long user id for 4A",
       [](TcpSocket& s) {
         s.setSocksLevel("4A");
         s.setSocksUsercode(std::string(118, 'u'));
       },
       "Connect: socks user code too long (118 bytes, at most 117)"},
      {"long host name for 4A",
       [](TcpSocket& s) {
         s.setSocksLevel("4A");
         s.setAddr(std::string(119, 'h'));
       },
       "Connect: host name too long (119 bytes, at most 118 with this socks user code)"},
      {"zero byte in the user id",
       [](TcpSocket& s) {
         s.setSocksLevel("4");
         s.setSocksUsercode(std::string("a\0b", 3));
       },
       "Connect: socks user code holds a zero byte"},
      {"no proxy port", [](TcpSocket& s) { s.setSocksPort(""); },
       "connect: WSocketResolvePort: Invalid Port."},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    TcpSocket s;
    s.setSocksServer("127.0.0.1");
    s.setSocksPort("1080");
    target(s, 80);
    k.setup(s);
    std::string message;
    try {
      s.connect();
    } catch (const SocketException& e) {
      message = e.what();
    }
    EXPECT_EQ(message, k.message);
    EXPECT_EQ(s.socketDescriptor(), -1);
  }
}

TEST(SocksConnect, WithoutProxyNothingOfSocksRuns) {
  ScriptedPeer peer;
  peer.send("direct").readToEnd();
  peer.start();
  SocksClient c;
  target(c.s, peer.port());
  c.s.connect();
  ASSERT_TRUE(waitFor([&] { return c.log.received == "direct"; }));
  EXPECT_EQ(c.log.withoutData(), events({"connected 0"}));
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
  converse(x, [](SocksClient& c) { c.s.setOptions(SocketOption::NoReceiveLoop); });
}

TEST(SocksScripted, ProxyClosesRightAfterSuccessAndData) {
  ScriptedPeer proxy;
  proxy.read(kGreeting.size()).send(kMethodNone).read(kConnect5.size());
  proxy.send(kSocks5Ok + "bye").halfClose().readToEnd();
  proxy.start();
  SocksClient c;
  c.connect(proxy.port(), "5", "127.0.0.1", kTargetPort);
  ASSERT_TRUE(waitFor([&] { return c.log.has("closed 0"); })) << testing::PrintToString(c.log.events);
  EXPECT_EQ(c.log.withoutData(), events({"socks connected 0", "connected 0", "closed 0"}));
  EXPECT_EQ(c.log.received, "bye");
}

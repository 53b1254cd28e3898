// Requests started with startRequest() and carried by the application's main loop alone, as the program
// carries a download: plain, relocated both ways between http: and https:, through an HTTP proxy with and
// without CONNECT, through SOCKS 4, 4A and 5 (the proxy named by a host name too), cut short, stopped, and
// stopped by the caller's time limit. None of them may ever enter the synchronous wait.
#include "ClientFixture.h"
#include "LocalServers.h"
#include "ScriptedPeer.h"
#include "SlowNameServer.h"
#include "TlsServers.h"

#include "platform/SynchronousWait.h"
#include "support/TempDir.h"

#include <QCoreApplication>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

namespace {

using namespace http;
using testing_support::ScriptedPeer;
using namespace std::string_literals;

const std::string kEnd = "\r\n\r\n";

struct Route {
  std::string proxy{};  // HTTP proxy "127.0.0.1:port"
  std::string socksServer{}, socksLevel = "5";
  std::uint16_t socksPort = 0;
};

struct Outcome {
  bool done = false;  // onRequestDone came
  int status = 0;
  std::uint16_t error = 0;
  std::string statusText;
  std::string body;
};

// Starts the request and runs the main loop until onRequestDone (30 seconds at most). `stop`, when
// given, is called with the client once the request runs, to arrange a Stop the way a window would.
Outcome runInMainLoop(const std::string& address, const Route& route,
                      const std::function<void(HttpClient&)>& stop = nullptr) {
  HttpClient client;
  httptest::configureLikeDownload(client);
  MemoryStream body;
  client.setReceiveStream(&body);
  client.url = address;
  if (!route.proxy.empty()) {
    client.proxy = route.proxy.substr(0, route.proxy.find(':'));
    client.proxyPort = route.proxy.substr(route.proxy.find(':') + 1);
  }
  client.socksServer = route.socksServer;
  client.socksLevel = route.socksLevel;
  if (route.socksPort != 0) client.socksPort = std::to_string(route.socksPort);
  Outcome o;
  client.onRequestDone = [&](HttpClient*, RequestType, std::uint16_t) {
    o.done = true;
    QCoreApplication::exit(0);
  };
  QTimer limit;
  limit.setSingleShot(true);
  QObject::connect(&limit, &QTimer::timeout, [] { QCoreApplication::exit(1); });
  limit.start(30000);
  client.startRequest(RequestType::Get);
  if (stop) stop(client);
  QCoreApplication::exec();
  o.status = client.statusCode();
  o.error = client.requestDoneError();
  o.statusText = client.statusText();
  o.body = body.data();
  return o;
}

class MainLoopRequestTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(authority_.ready()) << "make_test_ca.sh failed";
    ::setenv("SSL_CERT_FILE", authority_.caFile().c_str(), 1);
    files_.write("small.txt", "small file\n");
    files_.write("big.bin", std::string(2 * 1024 * 1024 + 5, 'b'));
  }
  void TearDown() override { ::unsetenv("SSL_CERT_FILE"); }

  testing_support::TempDir files_;
  tlstest::TestAuthority authority_;
};

TEST_F(MainLoopRequestTest, NoRequestEverWaitsSynchronously) {
  tlstest::TlsNginx nginx(files_.path(), authority_);
  httptest::TinyProxy tinyproxy;
  httptest::Microsocks microsocks;
  httptest::DanteServer dante;
  ASSERT_TRUE(nginx.ready());
  ASSERT_TRUE(tinyproxy.ready());
  ASSERT_TRUE(microsocks.ready());
  ASSERT_TRUE(dante.ready()) << dante.log();
  // Names the tests' own name server knows; nothing else is found.
  socket_tests::SlowNameServer names(
      {{"localhost", "127.0.0.1"}, {"socks.test", "127.0.0.1"}, {"video.test", "127.0.0.1"}});
  names.open();

  ScriptedPeer cut;  // the connection ends after 10 of 1000 bytes
  cut.readUntil(kEnd).send("HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\n0123456789");
  cut.start();
  ScriptedPeer stalled;  // sends a part of the body, then nothing
  stalled.readUntil(kEnd).send("HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\nsome").staySilent();
  stalled.start();
  ScriptedPeer socks4a;  // a SOCKS 4A proxy that plays the far end of the tunnel itself
  socks4a.readUntil("video.test\0"s)
      .send("\x00\x5a\x00\x00\x00\x00\x00\x00"s)
      .readUntil(kEnd)
      .send("HTTP/1.0 200 OK\r\nContent-Length: 11\r\n\r\nsmall file\n");
  socks4a.start();
  ScriptedPeer silent;  // never answers
  silent.readUntil(kEnd).staySilent();
  silent.start();

  const std::string plain = "http://127.0.0.1:" + std::to_string(nginx.plain());
  const std::string tls = "https://localhost:" + std::to_string(nginx.good());
  const std::string tlsByAddress = "https://127.0.0.1:" + std::to_string(nginx.good());
  const std::string tinyproxyAt = "127.0.0.1:" + std::to_string(tinyproxy.port());
  // A Stop click while the body arrives, delivered by the main loop.
  const auto stopInBody = [](HttpClient& client) {
    client.onDocData = [clicked = false](HttpClient* c, const char*, int) mutable {
      if (clicked) return;
      clicked = true;
      QTimer::singleShot(0, [c] { c->abort(); });
    };
  };
  // The caller's own time limit, as a timer.
  QTimer timeLimit;
  const auto stopAfterTime = [&timeLimit](HttpClient& client) {
    timeLimit.setSingleShot(true);
    QObject::disconnect(&timeLimit, nullptr, nullptr, nullptr);
    QObject::connect(&timeLimit, &QTimer::timeout, [&client] { client.abort(); });
    timeLimit.start(300);
  };
  const struct {
    const char* name;
    std::string address;
    Route route;
    std::function<void(HttpClient&)> stop;
    std::string body;  // the body that must arrive whole; empty: the request fails
    std::uint16_t error = 0;
  } cases[] = {
      {"plain", plain + "/small.txt", {}, nullptr, "small file\n"},
      {"relocated to https", plain + "/to-tls/small.txt", {}, nullptr, "small file\n"},
      {"https", tls + "/big.bin", {}, nullptr, std::string(2 * 1024 * 1024 + 5, 'b')},
      {"https relocated to http", tls + "/to-plain/small.txt", {}, nullptr, "small file\n"},
      {"HTTP proxy", plain + "/small.txt", {.proxy = tinyproxyAt}, nullptr, "small file\n"},
      {"HTTP proxy with CONNECT", tls + "/small.txt", {.proxy = tinyproxyAt}, nullptr, "small file\n"},
      {"SOCKS 5, the proxy by name",
       tlsByAddress + "/small.txt",
       {.socksServer = "socks.test", .socksPort = microsocks.port()},
       nullptr,
       "small file\n"},
      {"SOCKS 4, the target looked up here",
       "http://video.test:" + std::to_string(nginx.plain()) + "/small.txt",
       {.socksServer = "127.0.0.1", .socksLevel = "4", .socksPort = dante.port()},
       nullptr,
       "small file\n"},
      {"SOCKS 4A, the target looked up by the proxy",
       "http://video.test:8080/small.txt",
       {.socksServer = "127.0.0.1", .socksLevel = "4A", .socksPort = socks4a.port()},
       nullptr,
       "small file\n"},
      {"cut short",
       "http://127.0.0.1:" + std::to_string(cut.port()) + "/v",
       {},
       nullptr,
       "",
       HttpError::CutShort},
      {"stopped",
       "http://127.0.0.1:" + std::to_string(stalled.port()) + "/v",
       {},
       stopInBody,
       "",
       HttpError::Aborted},
      {"time limit",
       "http://127.0.0.1:" + std::to_string(silent.port()) + "/v",
       {},
       stopAfterTime,
       "",
       HttpError::Aborted},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::uint64_t waitsBefore = platform::synchronousWaitEntries();
    const Outcome o = runInMainLoop(c.address, c.route, c.stop);
    EXPECT_EQ(platform::synchronousWaitEntries(), waitsBefore) << "the request waited synchronously";
    ASSERT_TRUE(o.done) << "no end within 30 seconds";
    EXPECT_EQ(o.error, c.error) << o.statusText;
    if (!c.body.empty()) {
      EXPECT_EQ(o.status, 200) << o.statusText;
      EXPECT_TRUE(o.body == c.body) << "got " << o.body.size() << " bytes";
    }
  }
}

}  // namespace

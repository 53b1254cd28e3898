// HTTPS in the HTTP client against nginx with certificates of an authority made at test time: whole
// downloads directly, through relocations both ways, through an HTTP proxy's CONNECT tunnel and through
// SOCKS; certificates that fail verification, a handshake cut halfway and plain HTTP on an https: address
// end the request with their reason and leave nothing in the file.
#include "ClientFixture.h"
#include "LocalServers.h"
#include "ScriptedPeer.h"
#include "TlsServers.h"

#include "net/http/FileStream.h"
#include "net/tls/TlsSession.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace {

using namespace http;
using httptest::runGet;

using testing_support::readFile;

struct Outcome {
  httptest::GetOutcome get;
  std::string body;  // what landed in the file
  int status = 0;
  std::uint16_t error = 0;
  std::string statusText;
  std::string location;
};

struct Route {
  std::string proxy;  // HTTP proxy "127.0.0.1:port"
  std::uint16_t socksPort = 0;
};

Outcome fetch(const std::string& address, const Route& route = {}) {
  testing_support::TempDir out;
  HttpClient cli;
  httptest::configureLikeDownload(cli);
  if (!route.proxy.empty()) {
    cli.proxy = route.proxy.substr(0, route.proxy.find(':'));
    cli.proxyPort = route.proxy.substr(route.proxy.find(':') + 1);
  }
  if (route.socksPort != 0) {
    cli.socksServer = "127.0.0.1";
    cli.socksPort = std::to_string(route.socksPort);
  }
  Outcome o;
  {
    FileStream file(out.file("video.flv"));
    cli.setReceiveStream(&file);
    cli.url = address;
    o.get = runGet(cli);
  }
  o.body = readFile(out.file("video.flv"));
  o.status = cli.statusCode();
  o.error = cli.requestDoneError();
  o.statusText = cli.statusText();
  o.location = cli.location();
  return o;
}

class HttpsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    files = new testing_support::TempDir;
    std::mt19937 random(7);
    std::string data(3 * 1024 * 1024 + 123, '\0');
    for (char& c : data) c = static_cast<char>(random());
    files->write("big.bin", data);
    files->write("small.txt", "small file\n");
    authority = new tlstest::TestAuthority;
    nginx = new tlstest::TlsNginx(files->path(), *authority);
    ::setenv("SSL_CERT_FILE", authority->caFile().c_str(), 1);
  }
  static void TearDownTestSuite() {
    ::unsetenv("SSL_CERT_FILE");
    delete nginx;
    delete authority;
    delete files;
  }
  void SetUp() override {
    ASSERT_TRUE(authority->ready()) << "make_test_ca.sh failed";
    ASSERT_TRUE(nginx->ready()) << "nginx with TLS did not start";
  }
  static std::string big() { return readFile(files->file("big.bin")); }
  static std::string https(const std::string& host, std::uint16_t port, const std::string& path) {
    return "https://" + host + ":" + std::to_string(port) + path;
  }

  static testing_support::TempDir* files;
  static tlstest::TestAuthority* authority;
  static tlstest::TlsNginx* nginx;
};

testing_support::TempDir* HttpsTest::files = nullptr;
tlstest::TestAuthority* HttpsTest::authority = nullptr;
tlstest::TlsNginx* HttpsTest::nginx = nullptr;

TEST_F(HttpsTest, DownloadEqualsSourceByNameAndByAddress) {
  for (const std::string host : {"localhost", "127.0.0.1"}) {
    SCOPED_TRACE(host);
    Outcome o = fetch(https(host, nginx->good(), "/big.bin"));
    EXPECT_FALSE(o.get.raised) << o.get.message;
    EXPECT_EQ(o.status, 200);
    EXPECT_TRUE(o.body == big()) << "got " << o.body.size() << " bytes";
  }
}

TEST_F(HttpsTest, RelocationsBetweenHttpAndHttps) {
  const std::string plain = "http://127.0.0.1:" + std::to_string(nginx->plain());
  {
    Outcome o = fetch(plain + "/to-tls/big.bin");
    EXPECT_FALSE(o.get.raised) << o.get.message;
    EXPECT_EQ(o.location, https("localhost", nginx->good(), "/big.bin"));
    EXPECT_TRUE(o.body == big()) << "got " << o.body.size() << " bytes";
  }
  {
    Outcome o = fetch(https("localhost", nginx->good(), "/to-plain/small.txt"));
    EXPECT_FALSE(o.get.raised) << o.get.message;
    EXPECT_EQ(o.location, plain + "/small.txt");
    EXPECT_EQ(o.body, "small file\n");
  }
}

TEST_F(HttpsTest, ThroughHttpProxyWithConnectAndThroughSocks) {
  httptest::TinyProxy tinyproxy;
  ASSERT_TRUE(tinyproxy.ready());
  httptest::Microsocks microsocks;
  ASSERT_TRUE(microsocks.ready());
  const std::string proxy = "127.0.0.1:" + std::to_string(tinyproxy.port());
  struct Case {
    std::string address;
    Route route;
  } cases[] = {
      {https("localhost", nginx->good(), "/big.bin"), {proxy}},
      // Plain HTTP to the proxy first, then a tunnel for the https: address it is sent to.
      {"http://127.0.0.1:" + std::to_string(nginx->plain()) + "/to-tls/big.bin", {proxy}},
      {https("localhost", nginx->good(), "/big.bin"), {"", microsocks.port()}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.address + " via " + (c.route.proxy.empty() ? "SOCKS" : "HTTP proxy"));
    Outcome o = fetch(c.address, c.route);
    EXPECT_FALSE(o.get.raised) << o.get.message;
    EXPECT_TRUE(o.body == big()) << "got " << o.body.size() << " bytes";
  }
  // The target server saw the path alone: the request went inside the tunnel, not to the proxy.
  EXPECT_NE(nginx->accessLog().find(" GET /big.bin HTTP/1.0"), std::string::npos);
}

TEST_F(HttpsTest, CertificatesFailingVerificationAreRefusedWithTheirReason) {
  struct Case {
    std::string address;
    std::string reason;
  } cases[] = {
      {https("localhost", nginx->expired(), "/small.txt"),
       "certificate of localhost refused: certificate has expired"},
      {https("localhost", nginx->self(), "/small.txt"),
       "certificate of localhost refused: self-signed certificate"},
      {https("localhost", nginx->other(), "/small.txt"),
       "certificate of localhost refused: hostname mismatch"},
      {https("127.0.0.1", nginx->other(), "/small.txt"),
       "certificate of 127.0.0.1 refused: IP address mismatch"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.address);
    Outcome o = fetch(c.address);
    EXPECT_TRUE(o.get.raised);
    EXPECT_EQ(o.error, HttpError::TlsFailed);
    EXPECT_EQ(o.statusText, c.reason);
    EXPECT_EQ(o.body, "");
  }
}

// The authority is trusted through SSL_CERT_FILE (the suite's setting) or a hashed SSL_CERT_DIR, and
// refused when neither holds it.
TEST_F(HttpsTest, TrustComesFromSslCertFileOrSslCertDir) {
  testing_support::TempDir other;
  const std::string empty = other.write("none.pem", "");
  const std::string folder = other.file("certs");
  std::filesystem::create_directories(folder);
  std::filesystem::copy_file(authority->caFile(), folder + "/test-ca.pem");
  ASSERT_EQ(tlstest::runProgram({"openssl", "rehash", folder}), 0);
  const std::string address = https("localhost", nginx->good(), "/small.txt");
  const struct {
    const char* dir;  // SSL_CERT_DIR, or nullptr to leave it unset
    bool trusted;
  } cases[] = {{nullptr, false}, {folder.c_str(), true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.dir != nullptr ? c.dir : "no SSL_CERT_DIR");
    ::setenv("SSL_CERT_FILE", empty.c_str(), 1);
    if (c.dir != nullptr) ::setenv("SSL_CERT_DIR", c.dir, 1);
    Outcome o = fetch(address);
    ::setenv("SSL_CERT_FILE", authority->caFile().c_str(), 1);
    ::unsetenv("SSL_CERT_DIR");
    EXPECT_EQ(o.get.raised, !c.trusted);
    if (c.trusted) {
      EXPECT_EQ(o.body, "small file\n");
    } else {
      EXPECT_EQ(o.statusText, "certificate of localhost refused: unable to get local issuer certificate");
      EXPECT_EQ(o.body, "");
    }
  }
}

TEST_F(HttpsTest, BrokenHandshakesEndWithAClearMessage) {
  // A server that starts its answer and closes halfway through it.
  testing_support::ScriptedPeer cut;
  cut.read(5).send(std::string("\x16\x03\x03\x00\x7a\x02\x00\x00\x76\x03\x03", 11)).halfClose().readToEnd();
  cut.start();
  // A proxy that refuses the tunnel.
  testing_support::ScriptedPeer refusing;
  refusing.readUntil("\r\n\r\n").send("HTTP/1.1 403 Forbidden\r\nContent-Length: 0\r\n\r\n").readToEnd();
  refusing.start();
  struct Case {
    std::string address;
    Route route;
    std::uint16_t error;
    std::string text;
  } cases[] = {
      {https("127.0.0.1", cut.port(), "/v.flv"),
       {},
       HttpError::TlsFailed,
       "TLS handshake with 127.0.0.1 cut short: the connection closed"},
      {https("127.0.0.1", nginx->plain(), "/small.txt"),
       {},
       HttpError::TlsFailed,
       "TLS handshake with 127.0.0.1 failed: wrong version number"},
      {https("localhost", nginx->good(), "/small.txt"),
       {"127.0.0.1:" + std::to_string(refusing.port())},
       HttpError::TunnelRefused,
       "HTTP proxy refused the tunnel to localhost:" + std::to_string(nginx->good()) + ": 403 Forbidden"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.address);
    Outcome o = fetch(c.address, c.route);
    EXPECT_TRUE(o.get.raised);
    EXPECT_EQ(o.error, c.error);
    EXPECT_EQ(o.statusText, c.text);
    EXPECT_EQ(o.body, "");
  }
  EXPECT_EQ(
      refusing.received(0).rfind("CONNECT localhost:" + std::to_string(nginx->good()) + " HTTP/1.0\r\n", 0),
      0u);
}

// Inside TLS only the session's own close (close_notify) ends a body that runs until the connection's end,
// and it ends it at once, without waiting for the TCP close; a bare TCP close cuts such a body. A body of
// announced length needs no TLS close.
TEST_F(HttpsTest, ABodyUntilTheEndIsWholeOnlyWithTheTlsClose) {
  const std::string body = [] {
    std::string text;
    for (int i = 0; i < 1000; ++i) text += "video";
    return text;
  }();
  const struct {
    const char* mode;
    std::uint16_t error;
    std::string text;
  } cases[] = {
      {"notify", 0, "OK"},
      {"cut", HttpError::CutShort,
       "Transfer cut short: the connection closed without the TLS close after 5000 bytes"},
      {"length", 0, "OK"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode);
    const std::uint16_t port = testing_support::ScriptedPeer::unusedPort();
    httptest::ChildProcess server({"python3", CLIPWAVE_TLS_TEST_DIR "/tls_close_server.py",
                                   authority->file("good.pem"), authority->file("good.key"),
                                   std::to_string(port), c.mode});
    ASSERT_TRUE(server.waitListening(port));
    const auto started = std::chrono::steady_clock::now();
    const Outcome o = fetch(https("127.0.0.1", port, "/v.flv"));
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    EXPECT_EQ(o.error, c.error);
    EXPECT_EQ(o.statusText, c.text);
    if (c.error == 0) {
      EXPECT_EQ(o.body, body);
    }
  }
}

// The connection number nginx gave the request for `path`, from its log (empty when not there).
std::string connectionOf(const std::string& log, const std::string& path) {
  std::istringstream lines(log);
  std::string port, connection, method, target;
  std::string found;
  while (lines >> port >> connection >> method >> target) {
    if (target == path) found = connection;
    lines.ignore(1 << 20, '\n');
  }
  return found;
}

TEST_F(HttpsTest, AKeptConnectionCarriesTheNextRequestOnlyToTheSameTarget) {
  httptest::TinyProxy tinyproxy;
  ASSERT_TRUE(tinyproxy.ready());
  HttpClient cli;
  httptest::configureLikeDownload(cli);
  cli.setRequestVer("1.1");
  cli.connection = "keep-alive";
  const std::string port = std::to_string(nginx->good());
  // Directly: the second request goes on the same TLS session. Through the proxy: a tunnel leads to one
  // target only, so another host name gets a tunnel of its own.
  const struct {
    std::string proxy;
    std::string first, second;
    bool same;
  } cases[] = {
      {"", "https://localhost:" + port + "/small.txt?a", "https://localhost:" + port + "/small.txt?b", true},
      {"127.0.0.1:" + std::to_string(tinyproxy.port()), "https://localhost:" + port + "/small.txt?c",
       "https://127.0.0.1:" + port + "/small.txt?d", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.first);
    cli.proxy = c.proxy.substr(0, c.proxy.find(':'));
    cli.proxyPort = c.proxy.empty() ? "80" : c.proxy.substr(c.proxy.find(':') + 1);
    for (const std::string& address : {c.first, c.second}) {
      testing_support::TempDir out;
      FileStream file(out.file("small.txt"));
      cli.setReceiveStream(&file);
      cli.url = address;
      const httptest::GetOutcome o = runGet(cli);
      cli.setReceiveStream(nullptr);
      EXPECT_FALSE(o.raised) << o.message;
      EXPECT_EQ(cli.statusCode(), 200);
    }
    const std::string log = nginx->accessLog();
    const std::string first = connectionOf(log, c.first.substr(c.first.find("/small")));
    const std::string second = connectionOf(log, c.second.substr(c.second.find("/small")));
    ASSERT_FALSE(first.empty()) << log;
    EXPECT_EQ(first == second, c.same) << log;
  }
}

// The session on its own: what the peer sends is held up to its cap, a peer that speaks no TLS fails the
// handshake with the reason, and a failed session stays failed.
TEST(TlsSessionTest, InputIsCappedAndFailureIsFinal) {
  tls::TlsSession session;
  EXPECT_EQ(session.start("localhost"), tls::TlsResult::NeedMore);
  EXPECT_EQ(session.state(), tls::TlsState::Handshaking);
  EXPECT_TRUE(session.hasOutput());  // the client's greeting
  EXPECT_FALSE(session.takeOutput().empty());
  const std::string junk(tls::kMaxPendingInput + 1000, 'H');
  EXPECT_EQ(session.feed(junk.data(), junk.size()), tls::kMaxPendingInput);
  EXPECT_EQ(session.feed(junk.data(), junk.size()), 0u);
  EXPECT_EQ(session.handshake(), tls::TlsResult::Failed);
  EXPECT_EQ(session.state(), tls::TlsState::Failed);
  EXPECT_EQ(session.errorText().rfind("TLS handshake with localhost failed: ", 0), 0u) << session.errorText();
  char buffer[16];
  EXPECT_EQ(session.read(buffer, sizeof buffer), -1);
  EXPECT_EQ(session.feed("x", 1), 0u);
  EXPECT_FALSE(session.write("x", 1));
  session.peerClosed();
  EXPECT_EQ(session.errorText().rfind("TLS handshake with localhost failed: ", 0), 0u);
}

}  // namespace

// The download window fetching a stream over HTTPS: through the HTTP proxy that https_proxy names (with
// CONNECT) unless no_proxy names the host, and a certificate that fails verification told in a box with
// its reason, no file left behind.
#include "LocalServers.h"
#include "ProxyEnvironment.h"
#include "ScriptedPeer.h"
#include "TlsServers.h"

#include "app/DownloadWindow.h"
#include "download/PartFile.h"
#include "support/JobInputs.h"
#include "support/KnownStream.h"
#include "support/ScriptedDialogs.h"
#include "support/TempDir.h"
#include "support/WindowRun.h"

#include <gtest/gtest.h>

#include <QTimer>

#include <filesystem>
#include <fstream>
#include <sstream>

using testing_support::ScriptedDialogs;
using testing_support::TempDir;

namespace {

using testing_support::readFile;

using app::DownloadWindow;

class HttpsDownloadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(authority_.ready());
    ::setenv("SSL_CERT_FILE", authority_.caFile().c_str(), 1);
    std::filesystem::create_directories(out_);
    video_ = std::string(300 * 1024, 'v') + "end";
    served_.write("clip.flv", video_);
  }
  void TearDown() override { ::unsetenv("SSL_CERT_FILE"); }

  // Runs a download-only window until it closes; its modal result.
  static int run(DownloadWindow& window) { return testing_support::runShown(window, 60000); }
  download::JobInput request() const {
    return testing_support::jobInput("https://video.example/watch", download::RequestMode::DownloadOnly, out_,
                                     ".mp3");
  }
  static download::JobParts stream(const std::string& url, const std::string& fileName) {
    return testing_support::knownStreamParts(url, fileName, true);
  }

  tlstest::TestAuthority authority_;
  TempDir served_;
  TempDir dir_;
  std::string out_ = dir_.file("out");
  std::string video_;
  download_test::ProxyEnvironment proxyEnv_;
};

TEST_F(HttpsDownloadTest, HttpsProxyCarriesTheDownloadUnlessNoProxyNamesTheHost) {
  tlstest::TlsNginx nginx(served_.path(), authority_);
  httptest::TinyProxy proxy;
  ASSERT_TRUE(nginx.ready());
  ASSERT_TRUE(proxy.ready());
  // http_proxy names a port where nothing listens: an https: address must not use it.
  proxyEnv_.set("http_proxy", "http://127.0.0.1:1/");
  proxyEnv_.set("https_proxy", ("http://127.0.0.1:" + std::to_string(proxy.port())).c_str());
  const std::string url = "https://localhost:" + std::to_string(nginx.good()) + "/clip.flv";
  const struct {
    const char* noProxy;
    const char* file;
    bool throughProxy;
  } cases[] = {{nullptr, "proxied.flv", true}, {"localhost", "direct.flv", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    proxyEnv_.set("no_proxy", c.noProxy);
    ScriptedDialogs dialogs;
    DownloadWindow window(nullptr, request(), stream(url, c.file));
    EXPECT_EQ(run(window), platform::ModalResult::Cancel);
    EXPECT_TRUE(dialogs.shown().empty());
    EXPECT_TRUE(readFile(out_ + "/" + c.file) == video_);
    EXPECT_EQ(window.job().download()->client().proxy, c.throughProxy ? "127.0.0.1" : "");
  }
}

TEST_F(HttpsDownloadTest, ARefusedCertificateIsToldAndLeavesNoFile) {
  tlstest::TlsNginx nginx(served_.path(), authority_);
  ASSERT_TRUE(nginx.ready());
  ScriptedDialogs dialogs;
  dialogs.answer(platform::ModalResult::Ok);
  const std::string url = "https://localhost:" + std::to_string(nginx.expired()) + "/clip.flv";
  DownloadWindow window(nullptr, request(), stream(url, "clip.flv"));
  EXPECT_EQ(run(window), platform::ModalResult::Cancel);
  ASSERT_EQ(dialogs.shown().size(), 1u);
  EXPECT_EQ(dialogs.shown()[0].text,
            "Unable to download " + url + ": certificate of localhost refused: certificate has expired");
  EXPECT_FALSE(std::filesystem::exists(out_ + "/clip.flv"));
}

}  // namespace

// The proxy sees only what a tunnel needs: the part's range, the cookies and the resolver's own request
// fields go inside the tunnel, never on the CONNECT request the proxy reads.
TEST_F(HttpsDownloadTest, TheTunnelRequestCarriesNoRangeCookieOrStreamFields) {
  testing_support::ScriptedPeer proxy;
  proxy.readUntil("\r\n\r\n").send("HTTP/1.0 403 Forbidden\r\n\r\n");
  proxy.start();
  proxyEnv_.set("https_proxy", ("http://127.0.0.1:" + std::to_string(proxy.port())).c_str());
  proxyEnv_.set("no_proxy", nullptr);
  const download::PartFile part(out_ + "/clip.flv");
  std::ofstream(part.partPath(), std::ios::binary) << std::string(1000, 'v');
  ASSERT_TRUE(part.keepValidators({5000, "\"e1\"", ""}));

  ScriptedDialogs dialogs;
  dialogs.answer(platform::ModalResult::Ok);
  DownloadWindow window(
      nullptr, request(),
      testing_support::knownStreamParts({.url = "https://video.example/clip.flv",
                                         .fileName = "clip.flv",
                                         .title = {},
                                         .headers = {{"Cookie", "session=secret"}, {"X-Stream-Key", "k1"}},
                                         .downloadOnly = true}));
  EXPECT_EQ(run(window), platform::ModalResult::Cancel);
  ASSERT_TRUE(proxy.waitFinished(1, 10000));
  const std::string connect = proxy.received(0);
  EXPECT_EQ(connect.rfind("CONNECT video.example:443 ", 0), 0u) << connect;
  for (const char* field : {"Range:", "Cookie:", "session=secret", "X-Stream-Key:"})
    EXPECT_EQ(connect.find(field), std::string::npos) << field << " in:\n" << connect;
  ASSERT_EQ(dialogs.shown().size(), 1u);
  EXPECT_NE(dialogs.shown()[0].text.find("403 Forbidden"), std::string::npos) << dialogs.shown()[0].text;
}

// HttpClient against real servers started by the test: nginx serving files, tinyproxy as HTTP proxy.
#include "ClientFixture.h"
#include "LocalServers.h"

#include "net/http/FileStream.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace {

using namespace http;
using httptest::RunGet;
using httptest::Url;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// A folder with "big.bin" (random bytes of `size`) and "small.txt".
class ServedFiles {
 public:
  explicit ServedFiles(std::size_t size) {
    std::mt19937 random(42);
    std::string data(size, '\0');
    for (char& c : data) c = static_cast<char>(random());
    big_ = dir_.Write("big.bin", data);
    dir_.Write("small.txt", "small file\n");
  }
  std::string Root() const { return dir_.Path(); }
  std::string Big() const { return ReadFile(big_); }

 private:
  testing_support::TempDir dir_;
  std::string big_;
};

// Downloads `url` into a file (through `proxy` when given) and returns its content.
std::string Download(const std::string& url, const std::string& proxy = "", std::uint16_t proxyPort = 0) {
  testing_support::TempDir out;
  HttpClient cli;
  httptest::ConfigureLikeDownload(cli);
  if (!proxy.empty()) {
    cli.Proxy = proxy;
    cli.ProxyPort = std::to_string(proxyPort);
  }
  FileStream file(out.File("video.flv"));
  cli.SetReceiveStream(&file);
  cli.URL = url;
  auto result = RunGet(cli);
  EXPECT_FALSE(result.raised) << result.message;
  EXPECT_EQ(cli.StatusCode(), 200);
  EXPECT_EQ(cli.ReceivedCount(), cli.BodyLength());
  file.Close();
  return ReadFile(out.File("video.flv"));
}

TEST(HttpServers, LargeFileFromNginxArrivesWhole) {
  ServedFiles files(24 * 1024 * 1024 + 123);
  httptest::NginxServer nginx(files.Root());
  ASSERT_TRUE(nginx.Ready());
  EXPECT_TRUE(Download(Url(nginx.Port(), "/big.bin")) == files.Big());
}

// Counts what is written, without keeping anything; the first byte of each piece must be zero.
class ZeroCountingStream final : public Stream {
 public:
  void Write(const void* data, std::size_t len) override {
    const char* p = static_cast<const char*>(data);
    nonZero_ = nonZero_ || (len > 0 && p[0] != 0);
    size_ += static_cast<std::int64_t>(len);
  }
  std::size_t Read(void*, std::size_t) override { return 0; }
  std::int64_t Size() override { return size_; }
  void SetSize(std::int64_t size) override { size_ = size; }
  std::int64_t Position() override { return size_; }
  void Seek(std::int64_t) override {}
  bool NonZero() const { return nonZero_; }

 private:
  std::int64_t size_ = 0;
  bool nonZero_ = false;
};

TEST(HttpServers, VideoOver2GiBArrivesWholeWithItsLengthReadRight) {
  testing_support::TempDir root;
  const std::int64_t size = (std::int64_t{1} << 31) + 4096 + 17;
  std::filesystem::resize_file(root.Write("huge.flv", ""), static_cast<std::uintmax_t>(size));  // sparse
  httptest::NginxServer nginx(root.Path());
  ASSERT_TRUE(nginx.Ready());
  HttpClient cli;
  ZeroCountingStream stream;
  cli.SetReceiveStream(&stream);
  cli.URL = Url(nginx.Port(), "/huge.flv");
  auto out = RunGet(cli);
  EXPECT_FALSE(out.raised) << out.message;
  EXPECT_EQ(cli.BodyLength(), size);
  EXPECT_EQ(cli.ReceivedCount(), size);
  EXPECT_EQ(stream.Size(), size);
  EXPECT_FALSE(stream.NonZero());
}

TEST(HttpServers, KeptOpenConnectionServesASecondRequest) {
  ServedFiles files(1000);
  httptest::NginxServer nginx(files.Root());
  ASSERT_TRUE(nginx.Ready());
  HttpClient cli;
  cli.SetRequestVer("1.1");
  MemoryStream body;
  cli.SetReceiveStream(&body);
  cli.URL = Url(nginx.Port(), "/small.txt");
  EXPECT_FALSE(RunGet(cli).raised);
  EXPECT_EQ(cli.socket().State(), net::SocketState::Connected);
  cli.URL = Url(nginx.Port(), "/big.bin");
  EXPECT_FALSE(RunGet(cli).raised);
  EXPECT_EQ(body.Data(), "small file\n" + files.Big());
  // Both requests came on one connection: the access log shows the same connection number twice.
  std::string log;
  for (int i = 0; i < 100 && log.find("big.bin") == std::string::npos; ++i) {
    platform::waitForMessage(30);
    log = nginx.AccessLog();
  }
  std::istringstream lines(log);
  std::string first, second;
  lines >> first;
  lines.ignore(1000, '\n');
  lines >> second;
  EXPECT_FALSE(first.empty());
  EXPECT_EQ(first, second) << log;
}

TEST(HttpServers, DownloadThroughTinyproxyEqualsTheDirectOne) {
  ServedFiles files(3 * 1024 * 1024 + 7);
  httptest::NginxServer nginx(files.Root());
  httptest::TinyProxy proxy;
  ASSERT_TRUE(nginx.Ready());
  ASSERT_TRUE(proxy.Ready());
  std::string direct = Download(Url(nginx.Port(), "/big.bin"));
  std::string proxied = Download(Url(nginx.Port(), "/big.bin"), "127.0.0.1", proxy.Port());
  EXPECT_TRUE(direct == proxied);
  EXPECT_TRUE(direct == files.Big());
  std::string log;
  for (int i = 0; i < 100 && log.find("tinyproxy") == std::string::npos; ++i) {
    platform::waitForMessage(30);
    log = nginx.AccessLog();
  }
  EXPECT_NE(log.find("tinyproxy"), std::string::npos) << log;  // the proxy's Via header
}

}  // namespace

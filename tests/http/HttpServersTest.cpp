// HttpClient against real servers started by the test: nginx serving files, tinyproxy as HTTP proxy.
#include "ClientFixture.h"
#include "LocalServers.h"

#include "net/http/FileStream.h"
#include "platform/SynchronousWait.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace {

using namespace http;
using httptest::runGet;
using httptest::url;

using testing_support::readFile;

// A folder with "big.bin" (random bytes of `size`) and "small.txt".
class ServedFiles {
 public:
  explicit ServedFiles(std::size_t size) {
    std::mt19937 random(42);
    std::string data(size, '\0');
    for (char& c : data) c = static_cast<char>(random());
    big_ = dir_.write("big.bin", data);
    dir_.write("small.txt", "small file\n");
  }
  std::string root() const { return dir_.path(); }
  std::string big() const { return readFile(big_); }

 private:
  testing_support::TempDir dir_;
  std::string big_;
};

// Downloads `url` into a file (through `proxy` when given) and returns its content.
std::string download(const std::string& url, const std::string& proxy = "", std::uint16_t proxyPort = 0) {
  testing_support::TempDir out;
  HttpClient cli;
  httptest::configureLikeDownload(cli);
  if (!proxy.empty()) {
    cli.proxy = proxy;
    cli.proxyPort = std::to_string(proxyPort);
  }
  FileStream file(out.file("video.flv"));
  cli.setReceiveStream(&file);
  cli.url = url;
  auto result = runGet(cli);
  EXPECT_FALSE(result.raised) << result.message;
  EXPECT_EQ(cli.statusCode(), 200);
  EXPECT_EQ(cli.receivedCount(), cli.bodyLength());
  file.close();
  return readFile(out.file("video.flv"));
}

TEST(HttpServers, LargeFileFromNginxArrivesWhole) {
  ServedFiles files(24 * 1024 * 1024 + 123);
  httptest::NginxServer nginx(files.root());
  ASSERT_TRUE(nginx.ready());
  EXPECT_TRUE(download(url(nginx.port(), "/big.bin")) == files.big());
}

// Counts what is written, without keeping anything; the first byte of each piece must be zero.
class ZeroCountingStream final : public Stream {
 public:
  void write(const void* data, std::size_t len) override {
    const char* p = static_cast<const char*>(data);
    nonZero_ = nonZero_ || (len > 0 && p[0] != 0);
    size_ += static_cast<std::int64_t>(len);
  }
  std::size_t read(void*, std::size_t) override { return 0; }
  std::int64_t size() override { return size_; }
  void setSize(std::int64_t size) override { size_ = size; }
  std::int64_t position() override { return size_; }
  void seek(std::int64_t) override {}
  bool nonZero() const { return nonZero_; }

 private:
  std::int64_t size_ = 0;
  bool nonZero_ = false;
};

TEST(HttpServers, VideoOver2GiBArrivesWholeWithItsLengthReadRight) {
  testing_support::TempDir root;
  const std::int64_t size = (std::int64_t{1} << 31) + 4096 + 17;
  std::filesystem::resize_file(root.write("huge.flv", ""), static_cast<std::uintmax_t>(size));  // sparse
  httptest::NginxServer nginx(root.path());
  ASSERT_TRUE(nginx.ready());
  HttpClient cli;
  ZeroCountingStream stream;
  cli.setReceiveStream(&stream);
  cli.url = url(nginx.port(), "/huge.flv");
  auto out = runGet(cli);
  EXPECT_FALSE(out.raised) << out.message;
  EXPECT_EQ(cli.bodyLength(), size);
  EXPECT_EQ(cli.receivedCount(), size);
  EXPECT_EQ(stream.size(), size);
  EXPECT_FALSE(stream.nonZero());
}

TEST(HttpServers, KeptOpenConnectionServesASecondRequest) {
  ServedFiles files(1000);
  httptest::NginxServer nginx(files.root());
  ASSERT_TRUE(nginx.ready());
  HttpClient cli;
  cli.setRequestVer("1.1");
  MemoryStream body;
  cli.setReceiveStream(&body);
  cli.url = url(nginx.port(), "/small.txt");
  EXPECT_FALSE(runGet(cli).raised);
  EXPECT_EQ(cli.socket().state(), net::SocketState::Connected);
  cli.url = url(nginx.port(), "/big.bin");
  EXPECT_FALSE(runGet(cli).raised);
  EXPECT_EQ(body.data(), "small file\n" + files.big());
  // Both requests came on one connection: the access log shows the same connection number twice.
  std::string log;
  for (int i = 0; i < 100 && log.find("big.bin") == std::string::npos; ++i) {
    platform::waitSynchronously(nullptr, 30);  // nginx writes its log on its own time
    log = nginx.accessLog();
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
  httptest::NginxServer nginx(files.root());
  httptest::TinyProxy proxy;
  ASSERT_TRUE(nginx.ready());
  ASSERT_TRUE(proxy.ready());
  std::string direct = download(url(nginx.port(), "/big.bin"));
  std::string proxied = download(url(nginx.port(), "/big.bin"), "127.0.0.1", proxy.port());
  EXPECT_TRUE(direct == proxied);
  EXPECT_TRUE(direct == files.big());
  std::string log;
  for (int i = 0; i < 100 && log.find("tinyproxy") == std::string::npos; ++i) {
    platform::waitSynchronously(nullptr, 30);  // nginx writes its log on its own time
    log = nginx.accessLog();
  }
  EXPECT_NE(log.find("tinyproxy"), std::string::npos) << log;  // the proxy's Via header
}

}  // namespace

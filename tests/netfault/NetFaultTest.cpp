// Real network faults between the download and a server in a network namespace the test makes for itself:
// a veth pair with link-local addresses that never leave the machine, the link taken down in the middle of
// a body and brought up again within the idle limit and past it, a bandwidth limit (tc tbf), and loss and
// delay where the kernel has netem. Each ends with the whole video, byte for byte, or with a clear message
// and the part kept. Making a namespace needs root (as CI has); elsewhere the tests are skipped, saying why.
#include "ChildProcess.h"

#include "download/StreamDownload.h"
#include "support/TempDir.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>

#include <QTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <random>
#include <thread>

namespace {

namespace fs = std::filesystem;
using testing_support::readFile;
using testing_support::TempDir;

int shell(const std::string& command) {
  return std::system((command + " >/dev/null 2>&1").c_str());
}

// True once something accepts connections on address:port, within `ms`.
bool accepting(const std::string& address, std::uint16_t port, int ms) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < until) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    ::inet_pton(AF_INET, address.c_str(), &to.sin_addr);
    const bool connected = ::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0;
    ::close(fd);
    if (connected) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

// A network namespace with one end of a veth pair, the other end here; removed with everything in it.
class Namespace {
 public:
  Namespace() {
    const std::string id = std::to_string(::getpid());
    const std::string subnet = "169.254." + std::to_string(1 + ::getpid() % 250) + ".";
    name_ = "cwnf" + id;
    host_ = "cwh" + id;
    peer_ = "cwp" + id;
    hostAddress_ = subnet + "1";
    address_ = subnet + "2";
    if (::geteuid() != 0) {
      whyNot_ = "a network namespace needs root";
      return;
    }
    if (shell("ip -V") != 0) {
      whyNot_ = "the ip command (iproute2) is missing";
      return;
    }
    if (shell("ip netns add " + name_) != 0) {
      whyNot_ = "this system makes no network namespace";
      return;
    }
    made_ = true;
    const bool ok =
        shell("ip link add " + host_ + " type veth peer name " + peer_ + " netns " + name_) == 0 &&
        shell("ip addr add " + hostAddress_ + "/30 dev " + host_) == 0 &&
        shell("ip link set " + host_ + " up") == 0 &&
        shell(inside("ip addr add " + address_ + "/30 dev " + peer_)) == 0 &&
        shell(inside("ip link set " + peer_ + " up")) == 0 && shell(inside("ip link set lo up")) == 0;
    if (!ok) whyNot_ = "the veth pair could not be made";
  }
  ~Namespace() {
    if (!made_) return;
    shell("ip netns del " + name_);
    shell("ip link del " + host_);
  }
  Namespace(const Namespace&) = delete;
  Namespace& operator=(const Namespace&) = delete;

  const std::string& whyNot() const { return whyNot_; }
  const std::string& name() const { return name_; }
  const std::string& address() const { return address_; }  // the server's, inside
  std::string inside(const std::string& command) const { return "ip netns exec " + name_ + " " + command; }
  // The namespace's end of the link, taken down or brought up.
  void setLink(bool up) const { shell(inside("ip link set " + peer_ + (up ? " up" : " down"))); }
  // A queueing discipline on what the server sends ("tbf rate ...", "netem ..."); false when refused.
  bool shape(const std::string& discipline) const {
    return shell(inside("tc qdisc replace dev " + peer_ + " root " + discipline)) == 0;
  }
  void unshape() const { shell(inside("tc qdisc del dev " + peer_ + " root")); }

 private:
  std::string name_, host_, peer_, hostAddress_, address_;
  std::string whyNot_;
  bool made_ = false;
};

class NetFaultTest : public testing::Test {
 protected:
  static constexpr std::uint16_t kSlowPort = 8080;  // about 4 s for the whole video
  static constexpr std::uint16_t kFastPort = 8081;
  static constexpr std::size_t kVideoBytes = 1024 * 1024;

  static void SetUpTestSuite() {
    net = new Namespace;
    files = new TempDir;
    std::string video(kVideoBytes, '\0');
    std::mt19937 random(24);
    for (char& c : video) c = static_cast<char>(random());
    files->write("video.flv", video);
    if (!net->whyNot().empty()) return;
    const std::string script = CLIPWAVE_NETFAULT_DIR "/range_server.py";
    for (const auto& [port, rate] :
         {std::pair{kSlowPort, std::string("262144")}, {kFastPort, std::string("0")}}) {
      servers.push_back(std::make_unique<httptest::ChildProcess>(std::vector<std::string>{
          "ip", "netns", "exec", net->name(), "python3", script, files->file("video.flv"), net->address(),
          std::to_string(port), files->file("log-" + std::to_string(port)), rate}));
    }
  }
  static void TearDownTestSuite() {
    servers.clear();
    delete files;
    delete net;
  }
  void SetUp() override {
    if (!net->whyNot().empty()) GTEST_SKIP() << "no real network faults here: " << net->whyNot();
    ASSERT_TRUE(accepting(net->address(), kSlowPort, 15000) && accepting(net->address(), kFastPort, 15000))
        << "the servers in the namespace did not start";
  }

  struct Run {
    std::optional<download::DownloadResult> result;
    double seconds = 0;
  };
  // Downloads the video from `port` with the idle limit `idleMs`; `onProgress` sees the bytes received.
  Run download(std::uint16_t port, int idleMs, const std::function<void(std::int64_t)>& onProgress = {}) {
    fs::remove(video_);
    fs::remove(video_ + ".part");
    fs::remove(video_ + ".part.info");
    Run run;
    download::StreamDownload stage;
    stage.setRetryPause(1000);
    stage.setTimeLimits(10000, 10000, idleMs);
    const auto started = std::chrono::steady_clock::now();
    stage.start(
        {.url = "http://" + net->address() + ":" + std::to_string(port) + "/video.flv",
         .videoPath = video_,
         .headers = {}},
        [&](const download::DownloadFigures& figures) {
          if (onProgress) onProgress(figures.received);
        },
        [&](download::DownloadResult result) { run.result = std::move(result); });
    testing_support::waitFor([&] { return run.result.has_value(); }, 120000);
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    return run;
  }
  // The whole video byte for byte, or a clear message with the part kept.
  void expectWholeOrKept(const Run& run) {
    ASSERT_TRUE(run.result.has_value()) << "the download never ended";
    if (run.result->status == download::DownloadResult::Status::Complete) {
      EXPECT_TRUE(readFile(video_) == readFile(files->file("video.flv"))) << "not byte-equal";
      EXPECT_FALSE(fs::exists(video_ + ".part"));
      return;
    }
    EXPECT_NE(run.result->failure.find("KB kept for the next download"), std::string::npos)
        << run.result->failure;
    EXPECT_GT(fs::file_size(video_ + ".part"), 0u);
  }
  static std::string log(std::uint16_t port) { return readFile(files->file("log-" + std::to_string(port))); }

  TempDir dir_;
  std::string video_ = dir_.file("clip.flv");
  static Namespace* net;
  static TempDir* files;
  static std::vector<std::unique_ptr<httptest::ChildProcess>> servers;
};

Namespace* NetFaultTest::net = nullptr;
TempDir* NetFaultTest::files = nullptr;
std::vector<std::unique_ptr<httptest::ChildProcess>> NetFaultTest::servers;

// The link goes down a quarter into the body and comes back after `downMs`: within the idle limit the
// connection carries on by itself; past it the cut is continued with a range.
TEST_F(NetFaultTest, ALinkDownInsideTheBodyEndsWholeOrKept) {
  const struct {
    const char* name;
    int downMs;
    int idleMs;
    bool continued;  // a range request must follow
  } rows[] = {
      {"down 5 s, idle limit 10 s", 5000, 10000, false},
      {"down 4 s, idle limit 1.5 s", 4000, 1500, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const std::size_t requestsBefore = log(kSlowPort).size();
    bool taken = false;
    const Run run = download(kSlowPort, row.idleMs, [&](std::int64_t received) {
      if (taken || received < static_cast<std::int64_t>(kVideoBytes / 4)) return;
      taken = true;
      net->setLink(false);
      QTimer::singleShot(row.downMs, [] { net->setLink(true); });
    });
    net->setLink(true);
    EXPECT_TRUE(taken);
    expectWholeOrKept(run);
    const std::string requests = log(kSlowPort).substr(requestsBefore);
    EXPECT_EQ(requests.find("range=bytes=") != std::string::npos, row.continued) << requests;
    EXPECT_EQ(run.result->status, download::DownloadResult::Status::Complete) << run.result->failure;
  }
}

// A bandwidth limit slows the download and changes nothing else; loss and delay (netem, where the kernel
// has it) neither.
TEST_F(NetFaultTest, AShapedLinkStillBringsTheWholeVideo) {
  ASSERT_TRUE(net->shape("tbf rate 4mbit burst 32kbit latency 400ms")) << "tc tbf refused";
  Run run = download(kFastPort, 10000);
  net->unshape();
  expectWholeOrKept(run);
  EXPECT_EQ(run.result->status, download::DownloadResult::Status::Complete);
  EXPECT_GT(run.seconds, 0.7 * kVideoBytes * 8 / 4e6) << "the limit did not hold";
  if (!net->shape("netem delay 40ms loss 2%")) {
    std::cout << "[ netfault ] this kernel has no netem: loss and delay not tried\n";
    return;
  }
  run = download(kFastPort, 10000);
  net->unshape();
  expectWholeOrKept(run);
  EXPECT_EQ(run.result->status, download::DownloadResult::Status::Complete) << run.result->failure;
}

}  // namespace

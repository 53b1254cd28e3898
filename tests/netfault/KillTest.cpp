// clipwave-cli killed outright (SIGKILL) in the middle of a download and of a conversion, then the same
// command again: it ends with the right audio file, and no part, record or hidden temporary output stays.
// The converter dies with the program. The page is read by a stand-in resolver and the stream comes from a
// slow server on 127.0.0.1.
#include "ChildProcess.h"
#include "CliProcess.h"

#include "convert/ConvertTestSupport.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

namespace fs = std::filesystem;
using cli_test::CliProcess;
using testing_support::readFile;
using testing_support::TempDir;

constexpr int kJobMs = 120000;

// The children of `pid` running `command` (from /proc), for watching the converter; nothing is ended by
// name.
std::vector<pid_t> childrenOf(pid_t pid, const std::string& command) {
  std::vector<pid_t> found;
  std::error_code error;
  for (const auto& task : fs::directory_iterator("/proc/" + std::to_string(pid) + "/task", error)) {
    std::istringstream in(readFile(task.path() / "children"));  // empty once the task has ended
    for (pid_t child; in >> child;)
      if (readFile("/proc/" + std::to_string(child) + "/comm") == command + "\n") found.push_back(child);
  }
  return found;
}

// True when `pid` ends within `ms` (or is gone already).
bool endsWithin(pid_t pid, int ms) {
  const int watch = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
  if (watch < 0) return true;
  pollfd ended{watch, POLLIN, 0};
  const bool gone = ::poll(&ended, 1, ms) == 1;
  ::close(watch);
  return gone;
}

class KillTest : public testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(out_);
    fs::create_directories(bin_);
  }

  CliProcess::Options cli(std::vector<std::string> args) const {
    args.insert(args.begin(), CLIPWAVE_CLI);
    CliProcess::Options options{.argv = std::move(args)};
    options.env = {
        {"PATH", bin_ + ":" + std::string(std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin")},
        {"HOME", dir_.path()},
        {"XDG_CONFIG_HOME", dir_.file("config")},
        {"http_proxy", ""},
        {"HTTP_PROXY", ""},
        {"all_proxy", ""},
        {"CLIPWAVE_RESOLVER", "on"},  // the stand-in on PATH reads the page
    };
    return options;
  }
  // Names in the output folder, hidden ones included.
  std::vector<std::string> left() const { return testing_support::filesIn(out_); }

  TempDir dir_;
  std::string out_ = dir_.file("out");
  std::string bin_ = dir_.file("bin");
};

TEST_F(KillTest, KilledInTheDownloadTheSameCommandContinuesAndEndsClean) {
  const std::string video = dir_.file("served.flv");
  convert_test::makeVideo(video, 60);
  const auto size = fs::file_size(video);
  const std::uint16_t port = [] {
    // A free port of 127.0.0.1, from the system.
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in any{};
    any.sin_family = AF_INET;
    any.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof any;
    ::bind(fd, reinterpret_cast<sockaddr*>(&any), sizeof any);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&any), &length);
    ::close(fd);
    return ntohs(any.sin_port);
  }();
  // About eight seconds for the whole video.
  httptest::ChildProcess server({"python3", CLIPWAVE_NETFAULT_DIR "/range_server.py", video, "127.0.0.1",
                                 std::to_string(port), dir_.file("server.log"),
                                 std::to_string(size / 8 + 1)});
  ASSERT_TRUE(server.waitListening(port));
  const std::string resolver = bin_ + "/yt-dlp";
  std::ofstream(resolver)
      << "#!/bin/sh\ncat <<'EOF'\n{\"title\":\"Song\",\"formats\":[{\"url\":\"http://127.0.0.1:" << port
      << "/song.flv\",\"protocol\":\"http\",\"vcodec\":\"flv1\",\"acodec\":\"mp3\","
         "\"ext\":\"flv\"}]}\nEOF\n";
  ::chmod(resolver.c_str(), 0755);
  const std::vector<std::string> command = {"-o", out_, "-f", "mp3-64", "https://videos.example/clip/1"};
  {
    CliProcess first(cli(command));
    ASSERT_TRUE(first.waitForOutput("Downloading: ", kJobMs)) << first.err();
    // Killed once the part holds bytes (they reach the disk in large writes).
    const std::string part = out_ + "/Song.flv.part";
    for (int look = 0; look < 400 && !(fs::exists(part) && fs::file_size(part) > 0); ++look)
      std::this_thread::sleep_for(std::chrono::milliseconds(25));
    first.signal(SIGKILL);
    EXPECT_EQ(first.wait(10000), 128 + SIGKILL);
  }
  EXPECT_GT(fs::file_size(out_ + "/Song.flv.part"), 0u);
  CliProcess second(cli(command));
  ASSERT_EQ(second.wait(kJobMs), 0) << second.err();
  EXPECT_EQ(left(), std::vector<std::string>{"Song.mp3"});
  EXPECT_EQ(convert_test::probeStream(out_ + "/Song.mp3", "codec_name"), "mp3");
  EXPECT_NE(readFile(dir_.file("server.log")).find("range=bytes="), std::string::npos)
      << "the part was continued";
}

TEST_F(KillTest, KilledInTheConversionTheConverterDiesAndTheSameCommandEndsClean) {
  const std::string video = dir_.file("long.flv");
  convert_test::makeVideo(video, 300);
  const std::vector<std::string> command = {"-o", out_, "-f", "mp3-64", video};
  {
    CliProcess first(cli(command));
    ASSERT_TRUE(first.waitForOutput("Converting: ", kJobMs)) << first.err();
    std::vector<pid_t> converters;
    for (int look = 0; look < 500 && converters.empty(); ++look) {
      converters = childrenOf(first.pid(), "ffmpeg");
      if (converters.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_EQ(converters.size(), 1u) << "the converter runs as the program's child";
    // Killed once the converter has written part of its output (under a hidden name until it is whole).
    const auto writing = [&] {
      for (const std::string& name : left()) {
        std::error_code gone;  // renamed meanwhile
        if (fs::file_size(out_ + "/" + name, gone) > 0 && !gone) return true;
      }
      return false;
    };
    for (int look = 0; look < 1000 && !writing(); ++look)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_FALSE(fs::exists(out_ + "/long.mp3")) << "the conversion ended before it could be interrupted";
    first.signal(SIGKILL);
    EXPECT_EQ(first.wait(10000), 128 + SIGKILL);
    EXPECT_TRUE(endsWithin(converters[0], 5000)) << "the converter outlived the program";
  }
  CliProcess second(cli(command));
  ASSERT_EQ(second.wait(kJobMs), 0) << second.err();
  EXPECT_EQ(left(), std::vector<std::string>{"long.mp3"}) << "no hidden temporary output stays";
  EXPECT_EQ(convert_test::probeStream(out_ + "/long.mp3", "codec_name"), "mp3");
}

}  // namespace

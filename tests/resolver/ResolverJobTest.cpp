// Pages of other sites through the stream resolver, in the download window: the real yt-dlp against a
// local page holding an HTML5 <video> (downloaded by our client and converted to MP3, named from the
// page's title), and a fake yt-dlp for the stream's request fields and for every way it can fail
// (garbage, nothing, an error, a hang past the time limit, Stop): a clear message, no file left, no hang.
#include "LocalServers.h"
#include "ProxyEnvironment.h"
#include "ScriptedPeer.h"

#include "app/DownloadWindow.h"
#include "app/StartRequest.h"
#include "common/SiteConfig.h"
#include "convert/ConvertProcess.h"
#include "convert/ConvertTestSupport.h"
#include "download/sites/PageLocator.h"
#include "download/sites/ResolverLocator.h"
#include "platform/browser/ScriptedWebBrowser.h"
#include "support/JobInputs.h"
#include "support/ScriptedDialogs.h"
#include "support/TempDir.h"
#include "support/WindowRun.h"

#include <gtest/gtest.h>

#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

using testing_support::ScriptedDialogs;
using testing_support::TempDir;

namespace {

using testing_support::readFile;

using testing_support::filesIn;

using app::DownloadWindow;

class ResolverJobTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = {{"PATH", env("PATH")},
              {"CLIPWAVE_RESOLVER", env("CLIPWAVE_RESOLVER")},
              {"CLIPWAVE_RESOLVER_TIMEOUT", env("CLIPWAVE_RESOLVER_TIMEOUT")}};
    ::setenv("CLIPWAVE_RESOLVER", "on", 1);
    ::unsetenv("CLIPWAVE_RESOLVER_TIMEOUT");
    std::filesystem::create_directories(out_);
    std::filesystem::create_directories(bin_);
    convert::createConvertProcess();
  }
  void TearDown() override {
    convert::destroyConvertProcess();
    for (const auto& [name, value] : saved_) {
      if (value.empty()) {
        ::unsetenv(name.c_str());
      } else {
        ::setenv(name.c_str(), value.c_str(), 1);
      }
    }
  }
  static std::string env(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
  }

  // Puts a fake yt-dlp first on PATH: a shell script that records its arguments, one a line, then runs
  // `body`.
  void fakeResolver(const std::string& body) {
    const std::string script = bin_ + "/yt-dlp";
    std::ofstream(script) << "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" << bin_ << "/args.txt'\necho $$ > '"
                          << bin_ << "/pid.txt'\n"
                          << body << "\n";
    ::chmod(script.c_str(), 0755);
    ::setenv("PATH", (bin_ + ":" + saved_[0].second).c_str(), 1);
  }
  std::string fakeArgs() const { return readFile(bin_ + "/args.txt"); }

  // Runs a window from its page phase until it closes; its modal result.
  static int run(DownloadWindow& window) { return testing_support::runShown(window, 120000); }
  download::JobInput request(const std::string& page, download::RequestMode mode) const {
    return testing_support::jobInput(page, mode, out_, ".mp3", "-ar 44100 -ab 128kbit/s -ac 2 ");
  }

  std::vector<std::pair<std::string, std::string>> saved_;
  download_test::ProxyEnvironment
      proxyEnv_;  // no proxy: the resolver and the client reach 127.0.0.1 directly
  TempDir dir_;
  std::string out_ = dir_.file("out");
  std::string bin_ = dir_.file("bin");
};

TEST_F(ResolverJobTest, TheRealResolverFindsTheVideoOfALocalPage) {
  if (!download::isResolverEnabled())
    GTEST_SKIP() << "yt-dlp is not installed (scripts/setup.sh installs it)";
  TempDir served;
  convert_test::makeVideo(served.file("clip.flv"), 2);
  served.write("page.html",
               "<!DOCTYPE html><html><head><title>Evening Walk</title></head><body>"
               "<video src=\"clip.flv\" controls></video></body></html>");
  httptest::NginxServer nginx(served.path());
  ASSERT_TRUE(nginx.ready());
  const std::string page = "http://127.0.0.1:" + std::to_string(nginx.port()) + "/page.html";
  ScriptedDialogs dialogs;
  DownloadWindow window(nullptr, request(page, download::RequestMode::DownloadConvert));
  EXPECT_EQ(run(window), platform::ModalResult::Cancel);
  EXPECT_TRUE(dialogs.shown().empty());
  // The page's title names the files; the resolver may add a number to a title it found on a page.
  const std::vector<std::string> files = filesIn(out_);
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files[0].rfind("Evening Walk", 0), 0u) << files[0];
  EXPECT_EQ(std::filesystem::path(files[0]).extension(), ".mp3");
  EXPECT_EQ(convert_test::probeStream(out_ + "/" + files[0], "codec_name"), "mp3");
  ASSERT_NE(window.job().download(), nullptr);
  EXPECT_EQ(window.job().download()->client().url,
            "http://127.0.0.1:" + std::to_string(nginx.port()) + "/clip.flv");
  std::cout << "[ resolver ] " << page << " -> " << files[0] << "\n";
}

TEST_F(ResolverJobTest, TheStreamIsFetchedWithItsRequestFieldsAndNamedFromItsTitle) {
  testing_support::ScriptedPeer stream;
  stream.readUntil("\r\n\r\n").send("HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\naudio");
  stream.start();
  const std::string address = "http://127.0.0.1:" + std::to_string(stream.port()) + "/a.webm";
  fakeResolver("cat <<'EOF'\n{\"title\":\"Night &amp; Day: live?\",\"formats\":[{\"url\":\"" + address +
               "\",\"protocol\":\"http\",\"vcodec\":\"none\",\"acodec\":\"opus\",\"ext\":\"webm\","
               "\"http_headers\":{\"User-Agent\":\"UA/9\",\"Referer\":\"https://page.example/\","
               "\"X-Token\":\"abc\",\"X-Split\":\"a\\r\\nHost: evil\"}}]}\nEOF");
  // An address with quotes, blanks and a command in it reaches the resolver as it is, after "--".
  const std::string page = "https://page.example/clip?v=1&x=$(touch${IFS}pwned)';\"`id`";
  ScriptedDialogs dialogs;
  DownloadWindow window(nullptr, request(page, download::RequestMode::DownloadOnly));
  EXPECT_EQ(run(window), platform::ModalResult::Cancel);
  EXPECT_TRUE(dialogs.shown().empty());
  EXPECT_EQ(fakeArgs(),
            "--ignore-config\n--dump-single-json\n--no-playlist\n--no-progress\n--\n" + page + "\n");
  EXPECT_EQ(filesIn(out_), std::vector<std::string>{"Night & Day live.webm"});
  EXPECT_EQ(readFile(out_ + "/Night & Day live.webm"), "audio");
  ASSERT_TRUE(stream.waitFinished(1, 10000));
  const std::string sent = stream.received(0);
  for (const char* field : {"User-Agent: UA/9\r\n", "Referer: https://page.example/\r\n", "X-Token: abc\r\n"})
    EXPECT_NE(sent.find(field), std::string::npos) << field << " in\n" << sent;
  EXPECT_EQ(sent.find("evil"), std::string::npos) << sent;
}

TEST_F(ResolverJobTest, EveryFailureIsToldAndLeavesNoFile) {
  const struct {
    const char* name;
    std::string body;
    std::string message;
  } cases[] = {
      {"garbage", "echo '<html>Please sign in</html>'",
       "yt-dlp gave no usable answer: the output is not a JSON object"},
      {"nothing", "exit 0", "yt-dlp gave no usable answer: nothing was printed"},
      {"an error",
       "echo 'WARNING: something' >&2\necho 'ERROR: [generic] Unsupported URL: x' >&2\necho '{}'\nexit 1",
       "ERROR: [generic] Unsupported URL: x"},
      {"a crash", "kill -SEGV $$", "yt-dlp ended with signal 11"},
      {"a hang", "exec sleep 600", "yt-dlp gave no answer within 1 second"},
      {"no file to fetch",
       "echo '{\"formats\":[{\"url\":\"https://h/v.f4m\",\"protocol\":\"f4m\",\"ext\":\"mp4\"}]}'",
       "yt-dlp gave no usable answer: no stream served as one file over http: or https:, or as an HLS or "
       "DASH "
       "playlist"},
  };
  ::setenv("CLIPWAVE_RESOLVER_TIMEOUT", "1", 1);
  const std::string page = "https://page.example/v/1";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fakeResolver(c.body);
    ScriptedDialogs dialogs;
    dialogs.answer(platform::ModalResult::Ok);
    DownloadWindow window(nullptr, request(page, download::RequestMode::DownloadConvert));
    EXPECT_EQ(run(window), platform::ModalResult::Cancel);
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_EQ(dialogs.shown()[0].text, c.message);
    EXPECT_TRUE(filesIn(out_).empty());
    // The resolver is gone, whatever became of it.
    const int pid = std::atoi(readFile(bin_ + "/pid.txt").c_str());
    ASSERT_GT(pid, 0);
    EXPECT_NE(::kill(pid, 0), 0);
  }
}

TEST_F(ResolverJobTest, StopEndsTheResolverAtOnce) {
  // The fake tells through a pipe that it runs; Stop is pressed when that arrives.
  const std::string started = bin_ + "/started";
  ASSERT_EQ(::mkfifo(started.c_str(), 0600), 0);
  const int fd = ::open(started.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(fd, 0);
  fakeResolver("echo running > '" + started + "'\nexec sleep 600");
  ScriptedDialogs dialogs;
  DownloadWindow window(nullptr, request("https://page.example/v/2", download::RequestMode::DownloadConvert));
  QSocketNotifier running(fd, QSocketNotifier::Read);
  QObject::connect(&running, &QSocketNotifier::activated, &window, [&] {
    running.setEnabled(false);
    window.onStopClicked();
  });
  EXPECT_EQ(run(window), platform::ModalResult::Abort);
  ::close(fd);
  EXPECT_TRUE(dialogs.shown().empty());
  EXPECT_TRUE(filesIn(out_).empty());
  const int pid = std::atoi(readFile(bin_ + "/pid.txt").c_str());
  EXPECT_TRUE(pid == 0 || ::kill(pid, 0) != 0);
}

TEST_F(ResolverJobTest, StartTakesOtherSitesOnlyWhileTheResolverIsThere) {
  fakeResolver("exit 0");
  const app::StartInput input{.source = app::StartInput::Source::PageAddress,
                              .address = "https://videos.example/clip/7",
                              .localFile = {},
                              .outputFolder = out_,
                              .formatIndex = 1};
  std::string folder;
  {
    ScriptedDialogs dialogs;
    const auto accepted = app::checkStart(input, folder);
    ASSERT_TRUE(accepted.has_value());
    EXPECT_EQ(accepted->source, input.address);
    EXPECT_TRUE(dialogs.shown().empty());
  }
  ::setenv("CLIPWAVE_RESOLVER", "off", 1);
  {
    ScriptedDialogs dialogs;
    dialogs.answer(platform::ModalResult::Ok);
    EXPECT_FALSE(app::checkStart(input, folder).has_value());
    EXPECT_EQ(dialogs.shown().size(), 1u);
  }
}

// A page of the three sites: the resolver is asked at once, beside the page rules; the age-verification
// page ends the request only once the resolver has failed too, and a failure of both is told with the
// resolver's reason.
TEST_F(ResolverJobTest, SitePagesAskTheResolverBesideTheirRules) {
  common::SiteConfig sites;
  sites.youTubeDomain = sites.youTubeHost = "127.0.0.1:1";  // nothing listens on port 1
  common::SiteConfig::setCurrent(sites);
  const std::string page = "http://127.0.0.1:1/watch?v=abc";
  testing_support::ScriptedPeer stream;
  stream.readUntil("\r\n\r\n").send("HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nvideo");
  stream.readUntil("\r\n\r\n").send("HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nvideo");
  stream.start();
  const std::string json =
      "echo '{\"title\":\"Found Elsewhere\",\"url\":\"http://127.0.0.1:" + std::to_string(stream.port()) +
      "/v.mp4\",\"ext\":\"mp4\"}'";
  const struct {
    const char* name;
    std::string pageText;
    std::string resolver;
    int result;
    bool asked;
    std::vector<std::string> files;
    const char* notice;
  } cases[] = {
      {"no address: the resolver finds it",
       "<title>YouTube - x</title><body>nothing",
       json,
       platform::ModalResult::Cancel,
       true,
       {"Found Elsewhere.mp4"},
       nullptr},
      {"no address and the resolver fails: its reason",
       "<title>YouTube - x</title><body>nothing",
       "echo 'ERROR: no video' >&2; exit 1",
       platform::ModalResult::Cancel,
       true,
       {},
       "ERROR: no video"},
      {"age verification: the resolver still finds it",
       "<p>Please verify you are 18 or older</p>",
       json,
       platform::ModalResult::Cancel,
       true,
       {"Found Elsewhere.mp4"},
       nullptr},
      {"age verification and the resolver fails: the age notice",
       "<p>Please verify you are 18 or older</p>",
       "echo 'ERROR: no video' >&2; exit 1",
       platform::ModalResult::Abort,
       true,
       {},
       ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(bin_ + "/args.txt");
    fakeResolver(c.resolver);
    platform::ScriptedWebBrowser first, second;
    first.setPages({platform::ScriptedWebBrowser::textPage(c.pageText)});
    second.setPages({platform::ScriptedWebBrowser::textPage("")});
    ScriptedDialogs dialogs;
    if (c.notice != nullptr) dialogs.answer(platform::ModalResult::Ok);
    download::JobParts parts = download::standardJobParts();
    parts.pageRules = [&first, &second] {
      auto locator = std::make_unique<download::PageLocator>(first, second);
      locator->setLimits({/*pollMs=*/300, /*passMs=*/10, /*attempts=*/2});
      return std::unique_ptr<download::StreamLocator>(std::move(locator));
    };
    DownloadWindow window(nullptr, request(page, download::RequestMode::DownloadOnly), std::move(parts));
    EXPECT_EQ(window.exec(), c.result);
    EXPECT_EQ(std::filesystem::exists(bin_ + "/args.txt"), c.asked);
    EXPECT_EQ(filesIn(out_), c.files);
    ASSERT_EQ(dialogs.shown().size(), c.notice != nullptr ? 1u : 0u);
    if (c.notice != nullptr && *c.notice != '\0') {
      EXPECT_EQ(dialogs.shown()[0].text, c.notice);
    }
    for (const std::string& file : c.files) std::filesystem::remove(out_ + "/" + file);
  }
  common::SiteConfig::reset();
}

}  // namespace

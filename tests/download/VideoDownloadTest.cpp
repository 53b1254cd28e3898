// The download window downloading a video from real servers on 127.0.0.1 (nginx, a scripted slow or
// broken server, tinyproxy as the system proxy) and converting it with the real ffmpeg.
#include "LocalServers.h"
#include "ProxyEnvironment.h"
#include "ScriptedPeer.h"

#include "app/DownloadWindow.h"
#include "common/Files.h"
#include "convert/ConvertProcess.h"
#include "convert/ConvertTestSupport.h"
#include "support/JobInputs.h"
#include "support/KnownStream.h"
#include "support/ScriptedDialogs.h"
#include "support/TempDir.h"
#include "support/WaitFor.h"
#include "support/WindowRun.h"

#include <gtest/gtest.h>

#include <QEventLoop>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>

#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>

using app::DownloadWindow;
using convert::convertProcess;
using testing_support::ScriptedDialogs;
using testing_support::TempDir;

namespace {

const char* const kMp3Args = "-ar 44100 -ab 128kbit/s -ac 2 ";

using testing_support::readFile;

std::string text(const QLabel* label) {
  return label->text().toStdString();
}

class VideoDownloadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(out_);
    std::filesystem::create_directories(served_);
    convert::createConvertProcess();
  }
  void TearDown() override { convert::destroyConvertProcess(); }

  // A 3-second FLV video in the served folder; its bytes.
  std::string serveVideo(const std::string& name) {
    convert_test::makeVideo(served_ + "/" + name, 3);
    return readFile(served_ + "/" + name);
  }

  static download::JobInput job(const std::string& folder) {
    return testing_support::jobInput("http://www.youtube.com/watch?v=abc",
                                     download::RequestMode::DownloadConvert, folder, ".mp3", kMp3Args);
  }

  // Runs one window whose page has the stream at `url`, to be saved as `fileName`: shown, the window goes on
  // by itself until it closes. Returns the modal result.
  static int Run(DownloadWindow& window, const std::function<void(DownloadWindow&)>& whileDownloading = {}) {
    QTimer poll;
    if (whileDownloading) {
      QObject::connect(&poll, &QTimer::timeout, &window, [&] { whileDownloading(window); });
      poll.start(20);
    }
    return testing_support::runShown(window, 60000);
  }
  static download::JobParts stream(const std::string& url, const std::string& fileName,
                                   bool downloadOnly = false) {
    return testing_support::knownStreamParts(url, fileName, downloadOnly);
  }
  static const http::HttpClient& client(DownloadWindow& window) { return window.job().download()->client(); }

  TempDir dir_;
  std::string out_ = dir_.file("out");
  std::string served_ = dir_.file("served");
  download_test::ProxyEnvironment proxyEnv_;  // no proxy unless a test sets one
};

TEST_F(VideoDownloadTest, DownloadsThenConvertsAndDeletesTheVideo) {
  const std::string video = serveVideo("clip.flv");
  httptest::NginxServer nginx(served_);
  ASSERT_TRUE(nginx.ready());
  const std::string target = out_ + "/My clip.flv";
  std::ofstream(target) << "an older file of that name, overwritten without a question";
  ScriptedDialogs dialogs;
  DownloadWindow window(
      nullptr, job(out_),
      stream("http://127.0.0.1:" + std::to_string(nginx.port()) + "/clip.flv", "My: clip?.flv"));

  std::vector<bool> onDownloadPanel;  // for each move of the download bar
  QObject::connect(window.downloadProgressBar, &QProgressBar::valueChanged, &window,
                   [&] { onDownloadPanel.push_back(window.downloadPanel->isVisible()); });
  const int result = Run(window);

  EXPECT_EQ(result, platform::ModalResult::Cancel);
  EXPECT_TRUE(dialogs.shown().empty());
  ASSERT_FALSE(onDownloadPanel.empty());
  EXPECT_TRUE(std::all_of(onDownloadPanel.begin(), onDownloadPanel.end(), [](bool b) { return b; }));
  // The download panel keeps what it showed at the end of the download.
  EXPECT_EQ(text(window.downloadNameLabel), "Downloading: My clip.flv ...");
  EXPECT_EQ(window.downloadNameLabel->toolTip(), window.downloadNameLabel->text());
  const std::string kb = common::formatKilobytes(static_cast<std::int64_t>(video.size())) + " KB";
  EXPECT_EQ(text(window.receivedLabel), kb + " of " + kb + " received");
  EXPECT_EQ(window.downloadProgressBar->maximum(), static_cast<int>(video.size()));
  EXPECT_EQ(window.downloadProgressBar->value(), static_cast<int>(video.size()));
  EXPECT_EQ(client(window).statusCode(), 200);
  EXPECT_FALSE(window.convertPanel->isHidden());
  EXPECT_EQ(text(window.convertNameLabel), "My clip.mp3");
  EXPECT_EQ(window.convertProgressBar->value(), 100);
  EXPECT_EQ(convert::convertProcess->inputFile, target);
  EXPECT_FALSE(std::filesystem::exists(target)) << "the video is deleted once converted";
  EXPECT_EQ(convert_test::probeStream(out_ + "/My clip.mp3", "codec_name"), "mp3");
  EXPECT_EQ(convert_test::probeStream(out_ + "/My clip.mp3", "channels"), "2");
}

TEST_F(VideoDownloadTest, DownloadOnlyKeepsTheVideoAndCloses) {
  const std::string video = serveVideo("clip.flv");
  httptest::NginxServer nginx(served_);
  ASSERT_TRUE(nginx.ready());
  ScriptedDialogs dialogs;
  DownloadWindow window(
      nullptr, job(out_ + "/"),
      stream("http://127.0.0.1:" + std::to_string(nginx.port()) + "/clip.flv", "clip.mp4", true));
  EXPECT_EQ(Run(window), platform::ModalResult::Cancel);
  EXPECT_TRUE(dialogs.shown().empty());
  EXPECT_TRUE(readFile(out_ + "/clip.mp4") == video);
  EXPECT_FALSE(window.downloadPanel->isHidden());
  EXPECT_EQ(convertProcess->processId(), 0);
  EXPECT_FALSE(convertProcess->active);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out_), {}), 1) << "nothing else is written";
}

// Stop, or the close box, ends a running download at once; the part received stays, nothing follows.
TEST_F(VideoDownloadTest, StopOrCloseDuringASlowDownloadAbortsAndKeepsThePartReceived) {
  const struct {
    const char* how;
    std::int64_t length;  // announced
    int result;
    int barMaximum;  // the bar counts in larger units past the range of int
    std::string total;
  } cases[] = {
      {"Stop", 1000000, platform::ModalResult::Abort, 1000000, "977 KB"},
      {"close box", 5000000000, platform::ModalResult::Cancel, 1666666666, "4,882,813 KB"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.how);
    // 20,000 bytes every 400 ms, then silence.
    testing_support::ScriptedPeer server;
    const std::string piece(20000, 'v');
    server.readUntil("\r\n\r\n")
        .send("HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(c.length) + "\r\n\r\n");
    for (int i = 0; i < 15; ++i) server.send(piece).delay(400);
    server.staySilent();
    server.start();
    ScriptedDialogs dialogs;
    DownloadWindow window(nullptr, job(out_),
                          stream("http://127.0.0.1:" + std::to_string(server.port()) + "/v.flv", "slow.flv"));
    const bool stop = c.result == platform::ModalResult::Abort;

    std::string speedAtStop, timeLeftAtStop, receivedText;
    std::int64_t receivedAtStop = 0;
    const int result = Run(window, [&](DownloadWindow& w) {
      // Stop once speed and time remaining have been measured; close after two pieces.
      if (w.job().download() == nullptr) return;
      const std::int64_t received = client(w).receivedCount();
      if (receivedAtStop != 0) return;
      if (stop ? w.timeLeftLabel->text().isEmpty() : received < 40000) return;
      speedAtStop = text(w.speedLabel);
      timeLeftAtStop = text(w.timeLeftLabel);
      receivedText = text(w.receivedLabel);
      receivedAtStop = received;
      if (stop) {
        w.downloadStopButton->click();
      } else {
        w.reject();
      }
    });

    EXPECT_EQ(result, c.result);
    EXPECT_TRUE(dialogs.shown().empty());
    EXPECT_EQ(client(window).requestDoneError(), 3);
    EXPECT_EQ(client(window).statusText(), "Connection aborted on request");
    if (stop) {
      EXPECT_TRUE(
          QRegularExpression("^\\d+\\.\\d KB/S$").match(QString::fromStdString(speedAtStop)).hasMatch())
          << speedAtStop;
      EXPECT_TRUE(QRegularExpression("^\\d{2,}:\\d{2}:\\d{2}$")
                      .match(QString::fromStdString(timeLeftAtStop))
                      .hasMatch())
          << timeLeftAtStop;
    }
    EXPECT_EQ(window.downloadProgressBar->maximum(), c.barMaximum);
    EXPECT_NE(receivedText.find(" KB of " + c.total + " received"), std::string::npos) << receivedText;
    EXPECT_GE(receivedAtStop, 40000);
    EXPECT_LT(receivedAtStop, 300000);
    // The part stays beside the video's name, never under it.
    EXPECT_FALSE(std::filesystem::exists(out_ + "/slow.flv"));
    const std::string partial = readFile(out_ + "/slow.flv.part");
    EXPECT_EQ(static_cast<std::int64_t>(partial.size()), client(window).receivedCount());
    EXPECT_EQ(partial, std::string(partial.size(), 'v'));
    convert_test::RecordCollector().pump(300);  // the conversion queued after the download never starts
    EXPECT_EQ(convert::convertProcess->processId(), 0);
    EXPECT_FALSE(std::filesystem::exists(out_ + "/slow.mp3"));
  }
}

// A download that does not bring the whole video is reported with the address and what failed, converts
// nothing and leaves nothing under the video's name: an error status, no reply at all (never shown as a
// status), a transfer cut short (after it was continued in vain; its part stays for the next download),
// a reply that is not HTTP, and replies that are not the video asked for.
TEST_F(VideoDownloadTest, FailedDownloadsAreReportedAndNotConverted) {
  serveVideo("clip.flv");
  httptest::NginxServer nginx(served_);
  ASSERT_TRUE(nginx.ready());
  const std::string nginxUrl = "http://127.0.0.1:" + std::to_string(nginx.port());
  const std::string refusedUrl =
      "http://127.0.0.1:" + std::to_string(testing_support::ScriptedPeer::unusedPort());
  const struct {
    std::string reply;       // what a scripted server sends on every connection before it closes; or
    std::string url;         // a server of the test's own
    std::string cause;       // the message after "Unable to download <address>: "
    std::string where = {};  // the path of the address named, when it is not the one asked for
    bool partKept = false;   // the part and its record stay to be continued
  } cases[] = {
      {"", nginxUrl + "/missing.flv", "404 Not Found"},
      {"", refusedUrl + "/v.flv", "Connection refused (Error #10061)"},
      {"HTTP/1.0 200 OK\r\nContent-Length: 100000\r\n\r\n" + std::string(5000, 'v'), "",
       "Transfer cut short: the connection closed after 5000 of 100000 bytes (continued 3 times; 5 KB of 98 "
       "KB "
       "kept for the next download)",
       "", true},
      {"HTTP/1.0 302 Found\r\nLocation: /elsewhere\r\n\r\n", "", "302 Found", "/elsewhere"},
      {"HTTP/1.0 500 Internal Server Error\r\nContent-Length: 5\r\n\r\noops!", "",
       "500 Internal Server Error"},
      // Not HTTP: the client reads on, but what came is no video.
      {"<html><body>Not a video</body></html>\r\n", "", "the reply is not HTTP"},
      {"FLV video follows\r\n\r\n" + std::string(5000, 'v'), "", "the reply is not HTTP"},
      {"HTTP/2 200\r\ncontent-length: 5\r\n\r\nvvvvv", "", "the reply is not HTTP"},
      {"\n\n\n", "", "the reply is not HTTP"},
      // Not what was asked for: a part of a file (no range was asked for), or no body at all.
      {"HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 0-4/100000\r\nContent-Length: 5\r\n\r\nvvvvv",
       "", "206 Partial Content (a part that was not asked for)"},
      {"HTTP/1.0 204 No Content\r\n\r\n", "", "204 No Content (no video in the reply)"},
      {"HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\n", "", "200 OK (no video in the reply)"},
      {"HTTP/1.0 200 OK\r\n\r\n", "", "200 OK (no video in the reply)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.reply.empty() ? c.url : c.reply.substr(0, 40));
    testing_support::ScriptedPeer server;
    std::string url = c.url;
    if (!c.reply.empty()) {
      server.readUntil("\r\n\r\n").send(c.reply).halfClose();
      server.start();
      url = "http://127.0.0.1:" + std::to_string(server.port()) + "/v.flv";
    }
    const std::string named =
        c.where.empty() ? url : "http://127.0.0.1:" + std::to_string(server.port()) + c.where;
    ScriptedDialogs dialogs;
    dialogs.answer(platform::ModalResult::Ok);
    DownloadWindow window(nullptr, job(out_), stream(url, "video.flv"));
    EXPECT_EQ(Run(window), platform::ModalResult::Cancel);
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_EQ(dialogs.shown()[0].caption, "Karvel Clipwave");
    EXPECT_EQ(dialogs.shown()[0].icon, platform::DialogIcon::Error);
    EXPECT_EQ(dialogs.shown()[0].text, "Unable to download " + named + ": " + c.cause);
    EXPECT_FALSE(window.downloadPanel->isHidden());
    EXPECT_EQ(convertProcess->processId(), 0);
    EXPECT_FALSE(convertProcess->active);
    if (c.partKept) {
      EXPECT_EQ(readFile(out_ + "/video.flv.part"), std::string(5000, 'v'));
      EXPECT_TRUE(std::filesystem::exists(out_ + "/video.flv.part.info"));
      std::filesystem::remove(out_ + "/video.flv.part");
      std::filesystem::remove(out_ + "/video.flv.part.info");
    }
    EXPECT_TRUE(std::filesystem::is_empty(out_)) << "no half video and no audio file";
  }
  // A name that is not found is named as such, never as the status code the client stands in for it
  // (the resolver's exact answer varies between machines).
  ScriptedDialogs dialogs;
  dialogs.answer(platform::ModalResult::Ok);
  DownloadWindow window(nullptr, job(out_), stream("http://no-such-host.invalid/v.flv", "video.flv"));
  EXPECT_EQ(Run(window), platform::ModalResult::Cancel);
  ASSERT_EQ(dialogs.shown().size(), 1u);
  const std::string& text = dialogs.shown()[0].text;
  EXPECT_EQ(
      text.rfind(
          "Unable to download http://no-such-host.invalid/v.flv: can't resolve hostname to IP address: ", 0),
      0u)
      << text;
  EXPECT_NE(text.find(" (Error #110"), std::string::npos) << text;
  EXPECT_EQ(text.find("404"), std::string::npos) << text;
  EXPECT_TRUE(std::filesystem::is_empty(out_));
}

TEST_F(VideoDownloadTest, AFileThatCannotBeWrittenIsReported) {
  const std::string video = serveVideo("clip.flv");
  httptest::NginxServer nginx(served_);
  ASSERT_TRUE(nginx.ready());
  const std::string url = "http://127.0.0.1:" + std::to_string(nginx.port()) + "/clip.flv";
  {
    // The output folder is missing: the file cannot be created.
    ScriptedDialogs dialogs;
    dialogs.answer(platform::ModalResult::Ok);
    DownloadWindow window(nullptr, job(out_ + "/missing"), stream(url, "clip.flv"));
    EXPECT_EQ(Run(window), platform::ModalResult::Cancel);
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_NE(dialogs.shown()[0].text.find("No such file or directory"), std::string::npos)
        << dialogs.shown()[0].text;
    EXPECT_EQ(convert::convertProcess->processId(), 0);
  }
  {
    // The disk fills up half way: a file size limit below the video's size.
    ASSERT_GT(video.size(), 20000u);
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = video.size() / 2;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    ScriptedDialogs dialogs;
    dialogs.answer(platform::ModalResult::Ok);
    DownloadWindow window(nullptr, job(out_), stream(url, "clip.flv"));
    const int result = Run(window);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(result, platform::ModalResult::Cancel);
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_NE(dialogs.shown()[0].text.find("File too large"), std::string::npos) << dialogs.shown()[0].text;
    EXPECT_EQ(convert::convertProcess->processId(), 0);
    EXPECT_FALSE(std::filesystem::exists(out_ + "/clip.flv"));
  }
}

TEST_F(VideoDownloadTest, TheSystemProxyFromTheEnvironmentCarriesTheDownload) {
  const std::string video = serveVideo("clip.flv");
  httptest::NginxServer nginx(served_);
  httptest::TinyProxy proxy;
  ASSERT_TRUE(nginx.ready());
  ASSERT_TRUE(proxy.ready());
  const std::string url = "http://127.0.0.1:" + std::to_string(nginx.port()) + "/clip.flv";
  proxyEnv_.set("http_proxy", ("http://127.0.0.1:" + std::to_string(proxy.port()) + "/").c_str());

  const struct {
    const char* noProxy;
    const char* file;
    bool throughProxy;
  } cases[] = {{nullptr, "proxied.flv", true}, {"localhost,127.0.0.0/8", "direct.flv", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    proxyEnv_.set("no_proxy", c.noProxy);
    ScriptedDialogs dialogs;
    DownloadWindow window(nullptr, job(out_), stream(url + "?" + c.file, c.file, true));
    EXPECT_EQ(Run(window), platform::ModalResult::Cancel);
    EXPECT_TRUE(readFile(out_ + "/" + c.file) == video);
    EXPECT_EQ(client(window).proxy, c.throughProxy ? "127.0.0.1" : "");
    EXPECT_EQ(client(window).proxyPort, c.throughProxy ? std::to_string(proxy.port()) : "80");
  }
  // nginx logs each request with the Via header that only the proxy adds.
  std::string log;
  for (int i = 0; i < 100 && log.find("direct.flv") == std::string::npos; ++i) {
    testing_support::pumpEvents(30);
    log = nginx.accessLog();
  }
  std::istringstream lines(log);
  std::string line;
  int seen = 0;
  while (std::getline(lines, line)) {
    if (line.find("proxied.flv") != std::string::npos) {
      EXPECT_NE(line.find("tinyproxy"), std::string::npos) << line;
      ++seen;
    }
    if (line.find("direct.flv") != std::string::npos) {
      EXPECT_EQ(line.find("tinyproxy"), std::string::npos) << line;
      ++seen;
    }
  }
  EXPECT_EQ(seen, 2) << log;
}

}  // namespace

// The web engine's browser control under the retrieval loop, against pages served on 127.0.0.1 by a
// server the tests start and stop: a page that writes the address by script, a page that never
// completes, a document that never becomes readable, a page without an address, and a page whose
// renderer dies.
#include "download/sites/PageRetrieval.h"
#include "platform/Messages.h"
#include "platform/browser/BrowserProfile.h"
#include "platform/browser/CreateWebBrowser.h"
#include "platform/browser/QtWebBrowser.h"
#include "support/Processes.h"
#include "support/TempDir.h"
#include "support/WaitFor.h"

#include <QProcess>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <optional>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using download::PageRetrieval;
using platform::PageSource;
using platform::QtWebBrowser;

// Reads the control's source, handling messages meanwhile, until it holds text or `limit` has passed.
// The limit is time, not a count of reads: a busy engine wakes the message wait many times a second.
PageSource readUntilText(platform::WebBrowser& browser,
                         std::chrono::milliseconds limit = std::chrono::seconds(10)) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  PageSource source = browser.source();
  while (source.state != PageSource::Kind::Text && std::chrono::steady_clock::now() < deadline) {
    testing_support::pumpEvents(20);
    source = browser.source();
  }
  return source;
}

// The page server; it ends when the test ends, and on its own should the test die (its input closes).
class PageServer {
 public:
  PageServer() {
    process_.start(QStringLiteral("python3"), {QStringLiteral(PAGE_SERVER_SCRIPT)});
    if (!process_.waitForStarted(5000)) return;
    while (!process_.canReadLine() && process_.waitForReadyRead(5000)) {
    }
    port_ = process_.readLine().trimmed().toInt();
  }
  ~PageServer() {
    process_.terminate();
    if (!process_.waitForFinished(5000)) {
      process_.kill();
      process_.waitForFinished(5000);
    }
  }
  PageServer(const PageServer&) = delete;
  PageServer& operator=(const PageServer&) = delete;

  int port() const { return port_; }

  // Asks for `path` and waits for the answer ("/release" lets the pages' scripts go on).
  void get(const std::string& path) const {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port_));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
      const std::string request = "GET " + path + " HTTP/1.0\r\n\r\n";
      if (::write(fd, request.data(), request.size()) == static_cast<ssize_t>(request.size())) {
        char buffer[512];
        while (::read(fd, buffer, sizeof buffer) > 0) {
        }
      }
    }
    ::close(fd);
  }

  std::string url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
  }

  // How many times `path` was asked for so far: as a page (a navigation), or as the control's second
  // request of the document's text ("source").
  int requests(const std::string& path, const std::string& kind = "page") {
    // The server has written its line before it answered, but the line may still wait in the pipe: the
    // event loop that would have read it may have ended with the answer.
    while (process_.waitForReadyRead(0)) {
    }
    log_ += process_.readAllStandardOutput().toStdString();
    int count = 0;
    const std::string line = "GET " + path + " " + kind + "\n";
    for (std::size_t at = log_.find(line); at != std::string::npos; at = log_.find(line, at + 1)) ++count;
    return count;
  }

 private:
  QProcess process_;
  int port_ = 0;
  std::string log_;
};

class QtWebBrowserTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    // The engine is to reach nothing but this machine: every other address goes to a proxy that does
    // not exist (the loopback addresses are never sent through a proxy).
    if (!qEnvironmentVariableIsSet("QTWEBENGINE_CHROMIUM_FLAGS"))
      qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--proxy-server=http://127.0.0.1:9");
    static testing_support::TempDir profile;
    platform::setBrowserProfileFolder(profile.path());
  }

  void SetUp() override { ASSERT_NE(server_.port(), 0) << "the page server did not start"; }

  // Runs the retrieval over `address` with `pass` until it reports its result, or until `stopAfterMs` when
  // given (then stopped: no result).
  std::optional<PageRetrieval::Result> run(const std::string& address, const PageRetrieval::Extraction& pass,
                                           int stopAfterMs = -1) {
    std::optional<PageRetrieval::Result> result;
    retrieval_.start(address, pass, [&result](PageRetrieval::Result r) { result = r; });
    testing_support::waitFor([&] { return result.has_value(); }, stopAfterMs >= 0 ? stopAfterMs : 60000);
    retrieval_.stop();
    return result;
  }

  // Runs the retrieval over `path`; the pass records every reading and finds the address once the page
  // holds `marker`. The first reading lets the page's script go on.
  std::optional<PageRetrieval::Result> retrieve(const std::string& path, const std::string& marker,
                                                int stopAfterMs = -1) {
    return run(
        server_.url(path),
        [&](const std::string& text) {
          if (seen_.empty()) server_.get("/release");
          seen_.push_back(text);
          statesSeen_.push_back(first_.readyState());
          return text.find(marker) != std::string::npos ? PageRetrieval::PassOutcome::Found
                                                        : PageRetrieval::PassOutcome::NothingYet;
        },
        stopAfterMs);
  }

  PageServer server_;
  QtWebBrowser first_;
  QtWebBrowser second_;
  PageRetrieval retrieval_{first_, second_};
  std::vector<std::string> seen_;
  std::vector<int> statesSeen_;
};

TEST_F(QtWebBrowserTest, APageFillingInByScriptIsReadAgainUntilTheAddressIsThere) {
  retrieval_.setLimits({/*pollMs=*/10000, /*passMs=*/20, /*attempts=*/2});
  EXPECT_EQ(retrieve("/grow", "addr=by-script"), PageRetrieval::Result::Finished);
  ASSERT_GE(seen_.size(), 2u);
  EXPECT_NE(seen_.front().find("<title>Growing page</title>"), std::string::npos);
  EXPECT_NE(seen_.front().find("waiting"), std::string::npos);
  EXPECT_NE(seen_.back().find("addr=by-script"), std::string::npos);
  EXPECT_EQ(server_.requests("/grow"), 1);
  EXPECT_EQ(server_.requests("/grow", "source"), 1);
  EXPECT_EQ(retrieval_.activeBrowser(), 0);
}

// The page text is the document as the server sent it, then the live document: a raw "&" in an
// attribute, which the live document writes as "&amp;", comes first as the server wrote it, entities
// stay as written, and what the page's script adds later is found in the live part.
TEST_F(QtWebBrowserTest, ThePageTextIsTheServersTextThenTheLiveDocument) {
  retrieval_.setLimits({/*pollMs=*/10000, /*passMs=*/20, /*attempts=*/2});
  EXPECT_EQ(retrieve("/amp", "addr=late"), PageRetrieval::Result::Finished);
  ASSERT_FALSE(seen_.empty());
  const std::string sent =
      "<html><head><title>Fish &amp; chips</title></head><body>"
      "<a href=\"http://127.0.0.1/v?a=1&b=2\">this link</a><div id='box'>waiting</div>";
  for (const std::string& text : seen_) {
    EXPECT_EQ(text.rfind(sent, 0), 0u) << text;
    EXPECT_LT(text.find("a=1&b=2"), text.find("a=1&amp;b=2")) << text;
  }
  const std::string& last = seen_.back();
  EXPECT_GT(last.find("addr=late"), last.find("</html>")) << "what the script wrote is in the live part";
  EXPECT_EQ(server_.requests("/amp"), 1);
}

// A page that moves itself on to another document hands over that document's own text as sent.
TEST_F(QtWebBrowserTest, ADocumentThePageMovesOnToBringsItsOwnText) {
  retrieval_.setLimits({/*pollMs=*/10000, /*passMs=*/20, /*attempts=*/1});
  EXPECT_EQ(retrieve("/moves", "addr=late"), PageRetrieval::Result::Finished);
  ASSERT_FALSE(seen_.empty());
  EXPECT_EQ(seen_.front().rfind("<html><body><p>moving on</p>", 0), 0u) << seen_.front();
  EXPECT_EQ(seen_.back().rfind("<html><head><title>Fish &amp; chips</title></head>", 0), 0u) << seen_.back();
  EXPECT_EQ(seen_.back().find("moving on"), std::string::npos) << seen_.back();
  EXPECT_EQ(server_.requests("/moves", "source"), 1);
  EXPECT_EQ(server_.requests("/amp", "source"), 1);
}

TEST_F(QtWebBrowserTest, TheServersTextIsDecodedFromItsCharacterSet) {
  retrieval_.setLimits({/*pollMs=*/300, /*passMs=*/20, /*attempts=*/1});
  EXPECT_EQ(retrieve("/latin", "caf"), PageRetrieval::Result::Finished);
  ASSERT_FALSE(seen_.empty());
  const std::string decoded = "<p>caf\xC3\xA9 \xE2\x80\x9Cquoted\xE2\x80\x9D &amp; more</p>";
  EXPECT_EQ(seen_.front().rfind("<html><body>" + decoded + "</body></html>\n", 0), 0u) << seen_.front();
  EXPECT_NE(seen_.front().find(decoded, 10), std::string::npos) << "the live document, decoded alike";
}

// When the server refuses the second request, the live document is handed over alone.
TEST_F(QtWebBrowserTest, WithoutTheServersTextTheLiveDocumentGoesAlone) {
  retrieval_.setLimits({/*pollMs=*/300, /*passMs=*/20, /*attempts=*/1});
  EXPECT_EQ(retrieve("/page-only", "this link"), PageRetrieval::Result::Finished);
  ASSERT_FALSE(seen_.empty());
  EXPECT_EQ(seen_.front(), "<html><head></head><body><a href=\"/v?a=1&amp;b=2\">this link</a></body></html>");
  EXPECT_EQ(server_.requests("/page-only", "source"), 1);
}

TEST_F(QtWebBrowserTest, APageThatNeverCompletesIsReadOnceInteractive) {
  retrieval_.setLimits({/*pollMs=*/10000, /*passMs=*/20, /*attempts=*/2});
  EXPECT_EQ(retrieve("/never-complete", "addr=while-loading"), PageRetrieval::Result::Finished);
  ASSERT_FALSE(statesSeen_.empty());
  EXPECT_EQ(statesSeen_.back(), platform::BrowserReadyState::Interactive);
}

TEST_F(QtWebBrowserTest, ADocumentThatNeverBecomesReadableWaitsUntilStop) {
  retrieval_.setLimits({/*pollMs=*/300, /*passMs=*/20, /*attempts=*/2});
  EXPECT_EQ(retrieve("/never-readable", "addr", 1500), std::nullopt) << "stopped with no result";
  EXPECT_TRUE(seen_.empty());  // no pass ran, though the poll limit is far shorter than the wait
  EXPECT_EQ(first_.readyState(), platform::BrowserReadyState::Loading);
  EXPECT_EQ(server_.requests("/never-readable"), 1);
}

TEST_F(QtWebBrowserTest, APageWithoutTheAddressIsLoadedTwiceAndTheControlLeftBlank) {
  retrieval_.setLimits({/*pollMs=*/300, /*passMs=*/20, /*attempts=*/2});
  EXPECT_EQ(retrieve("/plain", "addr"), PageRetrieval::Result::Finished);
  ASSERT_FALSE(seen_.empty());
  EXPECT_NE(seen_.back().find("nothing to see"), std::string::npos);
  EXPECT_EQ(server_.requests("/plain"), 2);
  const PageSource blank = readUntilText(first_);
  EXPECT_EQ(blank.bytes, "<html><head></head><body></body></html>");
}

TEST_F(QtWebBrowserTest, APageWhoseRendererDiesIsTriedInTheSecondControlThenGivenUp) {
  retrieval_.setLimits({/*pollMs=*/10000, /*passMs=*/20, /*attempts=*/2});
  const auto result = run("chrome://kill", [&](const std::string& text) {
    seen_.push_back(text);
    return PageRetrieval::PassOutcome::NothingYet;
  });
  EXPECT_EQ(result, PageRetrieval::Result::TextUnreadable);
  EXPECT_EQ(retrieval_.activeBrowser(), 1);
  EXPECT_TRUE(seen_.empty());

  // The control loads the next page in a fresh renderer.
  second_.navigate(server_.url("/plain"));
  const PageSource page = readUntilText(second_);
  EXPECT_NE(page.bytes.find("nothing to see"), std::string::npos) << page.bytes;
}

TEST(QtWebBrowser, RefusesWhatIsNotAWebAddressWithoutStartingTheEngine) {
  const std::unique_ptr<platform::WebBrowser> browser = platform::createWebBrowser();
  for (const char* address : {"watch?v=abc", "http://exa mple.test/", ""}) {
    SCOPED_TRACE(address);
    EXPECT_THROW(browser->navigate(address), platform::BrowserError);
  }
  EXPECT_EQ(browser->readyState(), platform::BrowserReadyState::Uninitialized);
  EXPECT_EQ(browser->source().state, PageSource::Kind::NoDocument);
}

TEST(QtWebBrowserProcesses, TheEnginesHelperProcessesEndWithTheProgram) {
  // One engine test in a program of its own, in a session of its own, so that every process the
  // engine starts for it can be found afterwards, whoever its parent has become.
  QProcess program;
  program.setChildProcessModifier([] { setsid(); });
  program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  program.start(
      QString::fromStdString(std::filesystem::read_symlink("/proc/self/exe").string()),
      {QStringLiteral("--gtest_filter=QtWebBrowserTest.APageThatNeverCompletesIsReadOnceInteractive")});
  ASSERT_TRUE(program.waitForStarted(5000));
  const pid_t session = static_cast<pid_t>(program.processId());
  ASSERT_TRUE(program.waitForFinished(30000));
  EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardOutput().toStdString();

  std::vector<pid_t> left = testing_support::runningInSession(session);
  for (int i = 0; i < 100 && !left.empty(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    left = testing_support::runningInSession(session);
  }
  EXPECT_TRUE(left.empty()) << left.size() << " engine processes outlived the program";
  for (pid_t pid : left) kill(pid, SIGKILL);
}

}  // namespace

// Signing in once: which of the profile's cookies go with a download (as a browser sends them), a stream
// that needs the cookie its page set (downloaded by clipwave-cli with the real engine), and the menu's
// sign-in window, whose session the downloads then carry; all against the site simulator on 127.0.0.1.
#include "CliProcess.h"

#include "app/DownloadWindow.h"
#include "app/MainWindow.h"
#include "common/SiteConfig.h"
#include "download/StreamCookies.h"
#include "platform/Paths.h"
#include "platform/browser/WebEngineModule.h"
#include "support/JobInputs.h"
#include "support/KnownStream.h"
#include "support/ScriptedDialogs.h"
#include "support/SiteSimulator.h"
#include "support/TempDir.h"
#include "support/WaitFor.h"
#include "support/WindowRun.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCryptographicHash>
#include <QEventLoop>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>

using testing_support::ScriptedDialogs;
using testing_support::TempDir;
namespace fs = std::filesystem;

namespace {

using testing_support::readFile;

TEST(CookieHeader, OnlyCookiesOfTheHostPathAndSchemeThatLiveGo) {
  const std::int64_t now = 1'800'000'000;
  const auto cookie = [](const char* name, const char* domain, const char* path = "/", bool secure = false,
                         std::int64_t expires = -1) {
    return platform::BrowserCookie{name, "v", domain, path, secure, expires};
  };
  const struct {
    const char* what;
    platform::BrowserCookie cookie;
    std::string address;
    bool sent;
  } cases[] = {
      {"the host's own", cookie("a", "video.example.com"), "http://video.example.com/get", true},
      {"the host's own, letter case aside", cookie("a", "Video.Example.com"), "http://VIDEO.example.COM/",
       true},
      {"another host's", cookie("a", "example.com"), "http://video.example.com/", false},
      {"a host's own is not its subdomains'", cookie("a", "example.com"), "http://www.example.com/", false},
      {"a domain's, from below it", cookie("a", ".example.com"), "http://a.b.example.com/x", true},
      {"a domain's, at it", cookie("a", ".example.com"), "http://example.com/", true},
      {"a domain's, not a look-alike", cookie("a", ".example.com"), "http://badexample.com/", false},
      {"a public suffix's", cookie("a", ".com"), "http://example.com/", false},
      {"a public suffix of two labels", cookie("a", ".co.uk"), "http://shop.co.uk/", false},
      {"a public suffix as the host itself", cookie("a", ".co.uk"), "http://co.uk/", true},
      {"an IP address's own", cookie("a", "127.0.0.1"), "http://127.0.0.1:8080/s", true},
      {"an IP address under a domain", cookie("a", ".0.0.1"), "http://127.0.0.1/", false},
      {"another IP address's", cookie("a", "127.0.0.2"), "http://127.0.0.1/", false},
      {"a path's, at it", cookie("a", "h.test", "/videos"), "http://h.test/videos", true},
      {"a path's, below it", cookie("a", "h.test", "/videos"), "http://h.test/videos/1.flv?x=/", true},
      {"a path's, with its slash", cookie("a", "h.test", "/videos/"), "http://h.test/videos/1.flv", true},
      {"a path's, not a look-alike", cookie("a", "h.test", "/videos"), "http://h.test/videosx", false},
      {"a path's, not above it", cookie("a", "h.test", "/videos"), "http://h.test/", false},
      {"a path's, not in the query", cookie("a", "h.test", "/videos"), "http://h.test/get?p=/videos", false},
      {"no path is the root", cookie("a", "h.test", ""), "http://h.test/any/thing", true},
      {"secure over http", cookie("a", "h.test", "/", true), "http://h.test/", false},
      {"secure over https", cookie("a", "h.test", "/", true), "https://h.test/", true},
      {"not expired", cookie("a", "h.test", "/", false, now + 1), "http://h.test/", true},
      {"expired", cookie("a", "h.test", "/", false, now), "http://h.test/", false},
      {"a session's", cookie("a", "h.test", "/", false, -1), "http://h.test/", true},
      {"a value that would break the field",
       {"a", "v\r\nX-Evil: 1", "h.test", "/", false, -1},
       "http://h.test/",
       false},
      {"a value with a semicolon", {"a", "v; b=c", "h.test", "/", false, -1}, "http://h.test/", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(download::cookieHeaderFor({c.cookie}, c.address, now), c.sent ? "a=v" : "") << c.what;
  }
  // Longer paths first, otherwise in the profile's order.
  const std::vector<platform::BrowserCookie> several = {
      {"root", "1", "h.test", "/", false, -1},
      {"deep", "2", "h.test", "/a/b", false, -1},
      {"other", "3", "h.test", "/", false, -1},
      {"mid", "4", ".h.test", "/a", false, -1},
  };
  EXPECT_EQ(download::cookieHeaderFor(several, "http://h.test/a/b/c", now), "deep=2; mid=4; root=1; other=3");
  EXPECT_TRUE(download::isPublicSuffix("com"));
  EXPECT_FALSE(download::isPublicSuffix("example.com"));
}

// The simulator, one for the whole test program, with what these tests read of it.
class Simulator : public testing_support::SiteSimulator {
 public:
  explicit Simulator(const TempDir& dir) : SiteSimulator(dir.path()) {
    if (!ready()) throw std::runtime_error("the simulator did not start");
  }
  const std::string youTubeHost = site("youtube").substr(std::string("http://").size());  // "127.0.0.1:P"
  const std::string cache = site("cache");
  const std::string video = readFile(clip("flv"));  // the bytes every stream sends
};

class SignInTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // The engine reaches nothing but this machine, and keeps its profile in this run's own folders.
    if (!qEnvironmentVariableIsSet("QTWEBENGINE_CHROMIUM_FLAGS"))
      qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--proxy-server=http://127.0.0.1:9");
    folder = new TempDir;
    qputenv("XDG_DATA_HOME", folder->file("data").c_str());
    qputenv("XDG_CACHE_HOME", folder->file("cache").c_str());
    simulator = new Simulator(*folder);
    common::SiteConfig sites;
    sites.youTubeDomain = sites.youTubeHost = simulator->youTubeHost;
    common::SiteConfig::setCurrent(sites);
  }
  static void TearDownTestSuite() {
    common::SiteConfig::reset();
    delete simulator;
    delete folder;
  }
  void SetUp() override { fs::create_directories(out_); }

  // One download window that downloads `url` and keeps the video; its modal result.
  int download(const std::string& url, const std::string& fileName) {
    app::DownloadWindow window(nullptr,
                               testing_support::jobInput("http://" + simulator->youTubeHost + "/watch?v=x",
                                                         download::RequestMode::DownloadOnly, out_, ".mp3"),
                               testing_support::knownStreamParts(url, fileName, true));
    return testing_support::runShown(window, 90000);
  }

  TempDir dir_;
  std::string out_ = dir_.file("out");
  static TempDir* folder;
  static Simulator* simulator;
};

TempDir* SignInTest::folder = nullptr;
Simulator* SignInTest::simulator = nullptr;

// The watch page sets a session cookie (and cookies a browser keeps away from the stream); the stream
// service and the stream answer 403 without it. clipwave-cli loads the page in the engine and downloads
// the stream with the session cookie alone, and writes the cookie nowhere.
TEST_F(SignInTest, AStreamThatNeedsThePagesCookieDownloadsWithIt) {
  ScriptedDialogs dialogs;
  dialogs.answer(platform::ModalResult::Ok);
  EXPECT_EQ(download(simulator->cache + "/stream/page-cookie.flv", "refused.flv"),
            platform::ModalResult::Cancel);
  ASSERT_EQ(dialogs.shown().size(), 1u);
  EXPECT_NE(dialogs.shown()[0].text.find("403 Forbidden"), std::string::npos) << dialogs.shown()[0].text;

  cli_test::CliProcess run(cli_test::CliProcess::Options{
      .argv = {CLIPWAVE_CLI, "-o", out_, "-f", "mp3-64",
               "http://" + simulator->youTubeHost + "/watch?v=page-cookie"},
      .env = {{"CLIPWAVE_SITES_FILE", simulator->sitesFile()},
              {"HOME", dir_.path()},
              {"XDG_DATA_HOME", dir_.file("data")},
              {"XDG_CACHE_HOME", dir_.file("cache")},
              {"XDG_CONFIG_HOME", dir_.file("config")},
              {"ASAN_OPTIONS", std::string(getenv("ASAN_OPTIONS") ? getenv("ASAN_OPTIONS") : "") +
                                   ":new_delete_type_mismatch=0"},
              {"http_proxy", ""},
              {"HTTP_PROXY", ""}}});
  ASSERT_EQ(run.wait(120000), 0) << run.err();
  EXPECT_TRUE(fs::exists(out_ + "/Sim clip page-cookie fish & chips AB live @2008.mp3"));
  // Both the stream service and the stream got the session, and nothing else of the page's cookies.
  const std::string log = simulator->log();
  EXPECT_NE(log.find("# youtube /get_video: cookies sim_session\n"), std::string::npos) << log;
  EXPECT_NE(log.find("# cache /stream/page-cookie.flv: cookies sim_session\n"), std::string::npos) << log;
  // The session's value is in none of the program's messages or files (the engine's own profile aside).
  const QByteArray value = QCryptographicHash::hash("session:page-cookie", QCryptographicHash::Sha1).toHex();
  const std::string secret = "s" + value.left(20).toStdString();
  EXPECT_EQ(run.err().find(secret), std::string::npos);
  EXPECT_EQ(run.out().find(secret), std::string::npos);
  for (const std::string& folderOfOurs : {out_, dir_.file("config")}) {
    if (!fs::exists(folderOfOurs)) continue;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folderOfOurs)) {
      if (!entry.is_regular_file()) continue;
      EXPECT_EQ(readFile(entry.path()).find(secret), std::string::npos) << entry.path();
    }
  }
}

// The menu entry opens a visible browser window of the pages' profile on the address field's address;
// what the user signs into there, the downloads carry.
TEST_F(SignInTest, TheMenusWindowSignsInForTheDownloads) {
  platform::setSettingsFilePath(dir_.file("settings.ini"));
  ScriptedDialogs dialogs;
  app::MainWindow window;
  window.show();
  window.urlEdit->clear();
  EXPECT_EQ(window.signInAddress(), "http://" + simulator->youTubeHost + "/") << "the site's home page";
  window.urlEdit->setText("  not an address ");
  EXPECT_EQ(window.signInAddress(), "http://" + simulator->youTubeHost + "/");

  dialogs.answer(platform::ModalResult::Ok);
  EXPECT_EQ(download(simulator->cache + "/stream/menu-login.flv", "before.flv"),
            platform::ModalResult::Cancel);
  ASSERT_EQ(dialogs.shown().size(), 1u) << "not signed in yet";
  EXPECT_NE(dialogs.shown()[0].text.find("403 Forbidden"), std::string::npos) << dialogs.shown()[0].text;

  const std::string signIn = "http://" + simulator->youTubeHost + "/signin";
  window.urlEdit->setText(QString::fromStdString(signIn));
  window.signInAction->trigger();
  QWidget* signInWindow = nullptr;
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (widget->objectName() == "signInWindow") signInWindow = widget;
  ASSERT_NE(signInWindow, nullptr);
  EXPECT_TRUE(signInWindow->isVisible());
  EXPECT_EQ(signInWindow->findChild<QLineEdit*>()->text().toStdString(), signIn);
  // The page sets its cookie in the profile; the profile tells the program.
  const auto signedIn = [] {
    for (const platform::BrowserCookie& cookie : platform::engineCookies())
      if (cookie.name == "sim_login") return true;
    return false;
  };
  const auto loaded = [&] { return signInWindow->windowTitle() == "Sim sign-in - Sign in to a site"; };
  for (int i = 0; i < 1200 && !(signedIn() && loaded()); ++i) testing_support::pumpEvents(50);
  ASSERT_TRUE(signedIn());
  EXPECT_TRUE(loaded()) << signInWindow->windowTitle().toStdString();

  EXPECT_EQ(download(simulator->cache + "/stream/menu-login.flv", "after.flv"),
            platform::ModalResult::Cancel);
  EXPECT_EQ(dialogs.shown().size(), 1u);
  EXPECT_TRUE(readFile(out_ + "/after.flv") == simulator->video);
  EXPECT_NE(simulator->log().find("# cache /stream/menu-login.flv: cookies sim_login\n"), std::string::npos);

  QPointer<QWidget> closing = signInWindow;
  signInWindow->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(closing.isNull()) << "the window goes when closed";
  platform::setSettingsFilePath("");
}

}  // namespace

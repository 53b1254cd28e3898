// The whole job with the real parts, as a user does it: an address typed into the main window, Start,
// the page loaded by the web engine, the stream downloaded by the program's own HTTP client, converted
// by the real ffmpeg, and the audio file in the output folder. The three sites are played by the site
// simulator on 127.0.0.1, which the test program starts once and stops at its end; the program finds
// it through CLIPWAVE_SITES_FILE. Boxes go to the scripted dialogs, and their texts are asserted exactly.
#include "app/DownloadLauncher.h"
#include "app/DownloadWindow.h"
#include "app/MainWindow.h"
#include "common/SiteConfig.h"
#include "convert/ConvertTestSupport.h"
#include "download/sites/PageLocator.h"
#include "platform/Paths.h"
#include "platform/browser/WebEngineModule.h"
#include "support/ScriptedDialogs.h"
#include "support/SiteSimulator.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

using app::DownloadWindow;
using testing_support::ScriptedDialogs;
using testing_support::SiteSimulator;
using testing_support::TempDir;

namespace {

using testing_support::readFile;

using testing_support::filesIn;

// The download window's panels.
enum class Panel { FetchPage, Download, Convert };

// What one job showed and left.
struct JobRun {
  std::vector<Panel> panels;  // each panel as it was shown
  std::vector<testing_support::ShownDialog> dialogs;
  std::string received;  // the download panel's size text at the end
  int barMaximum = -1;   // the download bar's range at the end (0: busy, no size known)
  std::int64_t receivedCount = -1;
  std::int64_t receivedAtStop = -1;
  bool convertStarted = false;

  bool showed(Panel panel) const { return std::find(panels.begin(), panels.end(), panel) != panels.end(); }
};

// Watches the download window of a job: its panels as they are shown, and what it showed when it closed.
class WindowWatch : public QObject {
 public:
  explicit WindowWatch(JobRun& run) : run_(run) { qApp->installEventFilter(this); }
  ~WindowWatch() override { qApp->removeEventFilter(this); }

  std::function<void(DownloadWindow&)> whileRunning;  // called every 20 ms while the window is up

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::Show) return false;
    if (auto* window = dynamic_cast<DownloadWindow*>(watched); window != nullptr && window_ == nullptr) {
      window_ = window;
      attach(*window);
    } else if (window_ != nullptr && watched->parent() == window_) {
      if (watched == window_->pagePanel) run_.panels.push_back(Panel::FetchPage);
      if (watched == window_->downloadPanel) run_.panels.push_back(Panel::Download);
      if (watched == window_->convertPanel) run_.panels.push_back(Panel::Convert);
    }
    return false;
  }

 private:
  // Before the window's own show handling, which starts the job.
  void attach(DownloadWindow& window) {
    connect(&window, &QDialog::finished, this, [this, &window] {
      run_.received = window.receivedLabel->text().toStdString();
      run_.barMaximum = window.downloadProgressBar->maximum();
      if (window.job().download() != nullptr)
        run_.receivedCount = window.job().download()->client().receivedCount();
      run_.convertStarted = !window.convertNameLabel->text().isEmpty();
    });
    auto* tick = new QTimer(&window);
    connect(tick, &QTimer::timeout, this, [this, &window] {
      if (whileRunning) whileRunning(window);
    });
    tick->start(20);
    // A job that hangs fails the test and is stopped, rather than holding the test until its time-out.
    QTimer::singleShot(120000, &window, [&window] {
      ADD_FAILURE() << "the job did not end within two minutes";
      window.onStopClicked();
    });
  }

  JobRun& run_;
  DownloadWindow* window_ = nullptr;
};

class JobTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // The engine is to reach nothing but this machine: every other address goes to a proxy that does
    // not exist (the loopback addresses are never sent through a proxy).
    if (!qEnvironmentVariableIsSet("QTWEBENGINE_CHROMIUM_FLAGS"))
      qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--proxy-server=http://127.0.0.1:9");
    sharedFolder = new TempDir;
    // The engine, in its module, keeps its profile in the XDG data and cache folders: both are made
    // this run's own, so no earlier run's cookies or cache reach it.
    qputenv("XDG_DATA_HOME", sharedFolder->file("data").c_str());
    qputenv("XDG_CACHE_HOME", sharedFolder->file("cache").c_str());
    simulator = new SiteSimulator(sharedFolder->path(), {"--late-delay", "1.5", "--slow-rate", "30000"});
    if (simulator->ready()) qputenv("CLIPWAVE_SITES_FILE", simulator->sitesFile().c_str());
    common::SiteConfig::reset();
  }
  static void TearDownTestSuite() {
    delete simulator;
    simulator = nullptr;
    qunsetenv("CLIPWAVE_SITES_FILE");
    common::SiteConfig::reset();
    delete sharedFolder;
    sharedFolder = nullptr;
  }

  void SetUp() override {
    ASSERT_TRUE(simulator->ready()) << "the site simulator did not start";
    platform::setSettingsFilePath(dir_.file("settings.ini"));
    std::filesystem::create_directories(out_);
    simulator->mark();
  }
  void TearDown() override { platform::setSettingsFilePath(""); }

  // Types `address` into a new main window, chooses the normal MP3 format and the output folder, and
  // presses Start; returns when the download window has closed.
  JobRun runJob(const std::string& address, int pollMs = 0,
                std::function<void(DownloadWindow&, JobRun&)> whileRunning = {}, int answers = 0) {
    JobRun run;
    ScriptedDialogs dialogs;
    for (int i = 0; i < answers; ++i) dialogs.answer(platform::ModalResult::Ok);
    WindowWatch watch(run);
    // The time an attempt reads the page, shortened through the window's job parts; 0 leaves the program's
    // own.
    std::optional<app::ScopedDownloadWindowFactory> shorter;
    if (pollMs > 0) {
      shorter.emplace([pollMs](QWidget* owner, const download::JobInput& job) {
        if (!platform::loadWebEngineModule()) return int(platform::ModalResult::Cancel);
        download::JobParts parts = download::standardJobParts();
        parts.pageRules = [pollMs] {
          auto locator = std::make_unique<download::PageLocator>();
          locator->setLimits({/*pollMs=*/pollMs, /*passMs=*/50, /*attempts=*/2});
          return std::unique_ptr<download::StreamLocator>(std::move(locator));
        };
        DownloadWindow window(owner, job, std::move(parts));
        return window.exec();
      });
    }
    if (whileRunning) watch.whileRunning = [&](DownloadWindow& window) { whileRunning(window, run); };
    app::MainWindow main;
    main.show();
    main.downloadConvertRadio->click();
    main.urlEdit->setText(QString::fromStdString(address));
    main.outputFolderEdit->setText(QString::fromStdString(out_));
    main.formatCombo->setCurrentIndex(1);  // MP3, normal quality
    main.startButton->click();             // returns when the modal window has closed
    run.dialogs = dialogs.shown();
    return run;
  }

  std::string youTube(const std::string& id) const { return simulator->site("youtube") + "/watch?v=" + id; }
  // The file name the YouTube title rules make of the simulator's title, without the extension.
  static std::string youTubeName(const std::string& id) {
    return "Sim clip " + id + " fish & chips AB live @2008";
  }

  static TempDir* sharedFolder;
  static SiteSimulator* simulator;
  TempDir dir_;
  std::string out_ = dir_.file("out");
};

TempDir* JobTest::sharedFolder = nullptr;
SiteSimulator* JobTest::simulator = nullptr;

// Each site, address in, the right file out: YouTube and Metacafe give an MP3 named after the title and
// the video is deleted; Google Video keeps its MP4 and converts nothing. The YouTube token is found in
// each form (a raw "&t=" in an attribute is taken as the server wrote it), and a stream served without a
// length after a relocation that carried "Content-Length: 0" shows the size received alone.
TEST_F(JobTest, EachSiteGivesTheRightFile) {
  const struct {
    std::string address;
    std::string file;      // what the output folder holds at the end
    std::string received;  // the download panel's size text at the end
    int barMaximum;
  } cases[] = {
      {youTube("clip"), youTubeName("clip") + ".mp3", "137 KB of 137 KB received", 139846},
      {youTube("clip-amp"), youTubeName("clip-amp") + ".mp3", "137 KB of 137 KB received", 139846},
      {youTube("clip-nolen"), youTubeName("clip-nolen") + ".mp3", "137 KB received", 0},
      {simulator->site("metacafe") + "/watch/item7/sim-clip/",
       "Sim Metacafe clip item7 rain &amp; sun 12.mp3", "137 KB of 137 KB received", 139846},
      {simulator->site("google") + "/videoplay?docid=doc7", "Sim Google clip doc7 sea &amp; sky 34.mp4",
       "99 KB of 99 KB received", 100985},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.address);
    std::filesystem::remove_all(out_);
    std::filesystem::create_directories(out_);
    const JobRun run = runJob(c.address);
    EXPECT_TRUE(run.dialogs.empty()) << run.dialogs.front().text;
    ASSERT_EQ(filesIn(out_), std::vector<std::string>{c.file});
    EXPECT_EQ(run.received, c.received);
    EXPECT_EQ(run.barMaximum, c.barMaximum);
    const bool keptVideo = c.file.ends_with(".mp4");
    EXPECT_EQ(run.showed(Panel::Convert), !keptVideo);
    if (keptVideo) {
      EXPECT_TRUE(readFile(out_ + "/" + c.file) == readFile(simulator->clip("mp4")));
    } else {
      EXPECT_EQ(convert_test::probeStream(out_ + "/" + c.file, "codec_name"), "mp3");
    }
  }
  EXPECT_EQ(simulator->requests("youtube GET /get_video"), 3);
  EXPECT_EQ(simulator->requests("cache GET /stream/"), 3);
  EXPECT_EQ(simulator->requests("metacafe GET /ItemFiles/"), 1);
  EXPECT_EQ(simulator->requests("google GET /videodownload"), 1);
}

// The token that a script writes into the page seconds after it has loaded is found on a later reading.
TEST_F(JobTest, ATokenWrittenLateByScriptIsFound) {
  const JobRun run = runJob(youTube("clip-late"));
  EXPECT_TRUE(run.dialogs.empty());
  EXPECT_EQ(filesIn(out_), std::vector<std::string>{youTubeName("clip-late") + ".mp3"});
}

TEST_F(JobTest, TheAgePageShowsItsNoticeAndDownloadsNothing) {
  const JobRun run = runJob(youTube("clip-age"), 0, {}, 1);
  ASSERT_EQ(run.dialogs.size(), 1u);
  EXPECT_EQ(run.dialogs[0].caption, "Karvel Clipwave");
  EXPECT_EQ(run.dialogs[0].icon, platform::DialogIcon::Information);
  EXPECT_EQ(
      run.dialogs[0].text,
      "This video may contain content that is inappropriate for some users, as flagged by YouTube\"s user "
      "commnunity. To view this video, please verify you are 18 or older by logging in or signing up.\r\n\r\n"
      "Please log in your account in the window of \"Sign in to a site...\" (the program's menu) firstly. "
      "You need to check the option \"Stay signed in\". It\"s better to change the YouTube show languages to "
      "English. Then download the video again.");
  EXPECT_EQ(run.panels, std::vector<Panel>{Panel::FetchPage});
  EXPECT_TRUE(filesIn(out_).empty());
  EXPECT_EQ(simulator->requests("youtube GET /get_video"), 0);
}

// A page without markers is loaded twice (each time read for the attempt's time, shortened here through
// the request's setting), then the request gives up with the page's address.
TEST_F(JobTest, APageWithoutMarkersGivesUpAfterTwoAttempts) {
  const std::string address = youTube("clip-nomarkers");
  const JobRun run = runJob(address, /*pollMs=*/1500, {}, 1);
  ASSERT_EQ(run.dialogs.size(), 1u);
  EXPECT_EQ(run.dialogs[0].caption, "Karvel Clipwave");
  EXPECT_EQ(run.dialogs[0].icon, platform::DialogIcon::Information);
  EXPECT_EQ(run.dialogs[0].text, "Unable get html from " + address);
  EXPECT_EQ(run.panels, std::vector<Panel>{Panel::FetchPage});
  EXPECT_TRUE(filesIn(out_).empty());
  // Each attempt is a navigation and the control's second request of the page's text.
  EXPECT_EQ(simulator->requests("youtube GET /watch?v=clip-nomarkers "), 4);
  EXPECT_EQ(simulator->requests("youtube GET /get_video"), 0);
}

// A stream refused with 404, or cut short halfway every time it is asked for: the failure is named,
// nothing is left under the video's or the audio's name, and nothing is converted. The cut one was
// continued three times (the last request, for the last 17,481 bytes, was cut after half of them); its
// part stays beside the video's name for the next download.
TEST_F(JobTest, ARefusedOrCutStreamIsReportedAndLeavesNothing) {
  const std::string cache = simulator->site("cache");
  const struct {
    std::string id;
    std::string message;
    std::vector<std::string> left;  // file endings after the video's name
  } cases[] = {
      {"clip-404", "Unable to download " + cache + "/stream/clip-404.flv: 404 Not Found", {}},
      {"clip-cut",
       "Unable to download " + cache +
           "/stream/clip-cut.flv: Transfer cut short: the connection closed after 8740 of 17481 bytes "
           "(continued 3 times; 129 KB of 137 KB kept for the next download)",
       {".part", ".part.info"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    const JobRun run = runJob(youTube(c.id), 0, {}, 1);
    ASSERT_EQ(run.dialogs.size(), 1u);
    EXPECT_EQ(run.dialogs[0].caption, "Karvel Clipwave");
    EXPECT_EQ(run.dialogs[0].icon, platform::DialogIcon::Error);
    EXPECT_EQ(run.dialogs[0].text, c.message);
    EXPECT_TRUE(run.showed(Panel::Download));
    EXPECT_FALSE(run.showed(Panel::Convert));
    EXPECT_FALSE(run.convertStarted);
    std::vector<std::string> left;
    for (const std::string& ending : c.left) left.push_back(youTubeName(c.id) + ".flv" + ending);
    EXPECT_EQ(filesIn(out_), left) << "nothing under " << youTubeName(c.id) << ".flv or .mp3";
    for (const std::string& name : left) std::filesystem::remove(out_ + "/" + name);
  }
}

// Stop while the video arrives: the part received stays beside the video's name (with the record that
// lets the next download continue it), nothing is converted.
TEST_F(JobTest, StopDuringTheDownloadKeepsThePartAndConvertsNothing) {
  const JobRun run = runJob(youTube("clip-slow"), 0, [](DownloadWindow& window, JobRun& job) {
    if (window.job().download() == nullptr) return;
    const std::int64_t received = window.job().download()->client().receivedCount();
    if (job.receivedAtStop < 0 && window.downloadPanel->isVisible() && received >= 20000) {
      job.receivedAtStop = received;
      window.downloadStopButton->click();
    }
  });
  EXPECT_TRUE(run.dialogs.empty());
  ASSERT_GE(run.receivedAtStop, 20000);
  EXPECT_FALSE(run.showed(Panel::Convert));
  EXPECT_FALSE(run.convertStarted);
  const std::string video = youTubeName("clip-slow") + ".flv";
  ASSERT_EQ(filesIn(out_), (std::vector<std::string>{video + ".part", video + ".part.info"}));
  const std::string part = readFile(out_ + "/" + video + ".part");
  EXPECT_EQ(static_cast<std::int64_t>(part.size()), run.receivedCount);
  EXPECT_LT(part.size(), 139846u);
  EXPECT_TRUE(part == readFile(simulator->clip("flv")).substr(0, part.size()))
      << "the part is the video's start";
}

}  // namespace

#include "app/DownloadWindow.h"

#include "app/DownloadLauncher.h"
#include "app/MainWindow.h"
#include "common/SiteConfig.h"
#include "convert/ConvertProcess.h"
#include "convert/ConvertTestSupport.h"
#include "download/sites/PageLocator.h"
#include "platform/Paths.h"
#include "platform/browser/ScriptedWebBrowser.h"
#include "support/JobInputs.h"
#include "support/ScriptedDialogs.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTimer>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <set>

using app::DownloadWindow;
using convert::convertProcess;
using convert::ConvertProgress;
using testing_support::ScriptedDialogs;
using testing_support::TempDir;

namespace {

const char* const kMp3Args = "-ar 44100 -ab 128kbit/s -ac 2 ";

// Watches every download window that opens: what its bars and labels showed, and lets a test act on it.
class WindowWatch : public QObject {
 public:
  WindowWatch() { qApp->installEventFilter(this); }
  ~WindowWatch() override { qApp->removeEventFilter(this); }

  std::vector<int> bar;          // every value the conversion bar took
  std::vector<QString> elapsed;  // every text of the elapsed-time label
  std::function<void(DownloadWindow&)> onShow;
  std::function<void(DownloadWindow&, int)> onBar;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* window = qobject_cast<QDialog*>(watched);
    auto* download = dynamic_cast<DownloadWindow*>(window);
    if (download != nullptr && event->type() == QEvent::Show && seen_.insert(download).second) {
      connect(download->convertProgressBar, &QProgressBar::valueChanged, this, [this, download](int v) {
        bar.push_back(v);
        elapsed.push_back(download->timeElapsedLabel->text());
        if (onBar) onBar(*download, v);
      });
      // After the window's own show handling, so its panel and conversion are in place.
      if (onShow) QTimer::singleShot(0, download, [this, download] { onShow(*download); });
    }
    return false;
  }

 private:
  std::set<DownloadWindow*> seen_;
};

class DownloadWindowTest : public ::testing::Test {
 protected:
  // Every test has the program's conversion object, as the main window would create it.
  void SetUp() override {
    platform::setSettingsFilePath(dir_.file("settings.ini"));
    std::filesystem::create_directories(out_);
    convert::createConvertProcess();
  }
  void TearDown() override {
    convert::destroyConvertProcess();
    platform::setSettingsFilePath("");
  }

  // A video with a tiny picture, so that even a long one is made in a moment.
  std::string makeVideo(int seconds) {
    const std::string path = dir_.file("clip.flv");
    const std::string d = std::to_string(seconds);
    EXPECT_EQ(convert_test::runTool({"ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i",
                                     "color=size=32x24:rate=2:duration=" + d, "-f", "lavfi", "-i",
                                     "sine=frequency=440:duration=" + d, "-c:v", "flv", "-c:a", "libmp3lame",
                                     "-ar", "22050", path}),
              0);
    return path;
  }
  download::JobInput localRequest(const std::string& file) {
    return testing_support::jobInput(file, download::RequestMode::ConvertLocalFile, out_, ".mp3", kMp3Args);
  }
  // Runs a download window modally with the conversion object of a main window; returns the modal result.
  static int runWindow(const download::JobInput& job) {
    DownloadWindow window(nullptr, job);
    return window.exec();
  }
  static bool processGone(pid_t pid) { return pid <= 0 || (::kill(pid, 0) != 0 && errno == ESRCH); }

  TempDir dir_;
  std::string out_ = dir_.file("out");
};

// The conversion panel tells the chapter converted above its one bar, and what was done instead of what was
// asked in a caption below it (never a box).
TEST_F(DownloadWindowTest, ChaptersAndNotesAreCaptionsOfTheConversionPanel) {
  const std::string chapters =
      dir_.write("chapters.txt",
                 ";FFMETADATA1\n[CHAPTER]\nTIMEBASE=1/1000\nSTART=0\nEND=1000\ntitle=Intro\n"
                 "[CHAPTER]\nTIMEBASE=1/1000\nSTART=1000\nEND=2000\ntitle=Outro\n");
  const std::string video = dir_.file("live.mkv");
  ASSERT_EQ(
      convert_test::runTool({"ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", "sine=duration=2", "-i",
                             chapters, "-map", "0", "-map_chapters", "1", "-c:a", "pcm_s16le", video}),
      0);
  ScriptedDialogs dialogs;
  WindowWatch watch;
  QString chapter, note;
  bool noteShown = false;
  watch.onBar = [&](DownloadWindow& w, int value) {
    if (value != 100) return;
    chapter = w.convertNameLabel->text();
    note = w.convertNoteLabel->text();
    noteShown = w.convertNoteLabel->isVisible();
  };
  download::JobInput job = localRequest(video);
  job.originalAudio = true;
  job.splitChapters = true;
  job.targetExt.clear();
  job.convertArgs = "-vn -acodec copy ";
  EXPECT_EQ(runWindow(job), platform::ModalResult::Cancel);
  EXPECT_EQ(chapter, "Chapter 2 of 2: Outro");
  EXPECT_TRUE(noteShown);
  EXPECT_EQ(
      note,
      "The original audio (pcm_s16le) has no container of its own; it was converted to FLAC, without loss.");
  EXPECT_TRUE(dialogs.shown().empty());
  EXPECT_TRUE(std::filesystem::exists(out_ + "/live/02 - Outro.flac"));
}

TEST_F(DownloadWindowTest, LocalFileConvertsEndToEndFromStart) {
  const std::string video = makeVideo(300);
  ScriptedDialogs dialogs;
  WindowWatch watch;
  app::MainWindow main;
  main.show();
  main.convertLocalRadio->click();
  main.localFileEdit->setText(QString::fromStdString(video));
  main.outputFolderEdit->setText(QString::fromStdString(out_));
  main.formatCombo->setCurrentIndex(1);
  bool sawConvertPanel = false;
  watch.onShow = [&](DownloadWindow& w) {
    sawConvertPanel = w.convertPanel->isVisible() && !w.pagePanel->isVisible();
  };
  main.startButton->click();  // returns when the modal window has closed

  EXPECT_TRUE(sawConvertPanel);
  EXPECT_EQ(convert_test::probeStream(out_ + "/clip.mp3", "codec_name"), "mp3");
  EXPECT_TRUE(std::filesystem::exists(video)) << "the local source is kept";
  ASSERT_FALSE(watch.bar.empty());
  EXPECT_EQ(watch.bar.back(), 100);
  EXPECT_TRUE(std::is_sorted(watch.bar.begin(), watch.bar.end()));
  EXPECT_GE(watch.bar.size(), 2u) << "progress records before the end moved the bar";
  const QRegularExpression minutesSeconds("^\\d{2,}:\\d{2}$");
  EXPECT_TRUE(minutesSeconds.match(watch.elapsed.front()).hasMatch()) << watch.elapsed.front().toStdString();
  EXPECT_EQ(convert::convertProcess->processId(), 0);
  EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(DownloadWindowTest, DecliningToOverwriteClosesAtOnceAndKeepsTheSource) {
  const std::string video = makeVideo(3);
  std::filesystem::copy_file(video, out_ + "/clip.mp3");
  ScriptedDialogs dialogs;
  dialogs.answer(platform::ModalResult::No);
  EXPECT_EQ(runWindow(localRequest(video)), platform::ModalResult::Cancel);
  EXPECT_TRUE(std::filesystem::exists(video));
  ASSERT_EQ(dialogs.shown().size(), 1u);
  EXPECT_EQ(dialogs.shown()[0].text, out_ + "/clip.mp3 has existed,overite it?");
}

TEST_F(DownloadWindowTest, OutputInUseShowsTheMessageAndWaitsForStop) {
  const std::string video = makeVideo(3);
  const std::string output = out_ + "/clip.mp3";
  std::filesystem::copy_file(video, output);
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t holder = ::fork();
  if (holder == 0) {
    const int fd = ::open(output.c_str(), O_RDONLY);
    (void)!::write(ready[1], fd >= 0 ? "1" : "0", 1);
    ::pause();
    ::_exit(0);
  }
  char byte = 0;
  ASSERT_EQ(::read(ready[0], &byte, 1), 1);

  ScriptedDialogs dialogs;
  dialogs.answer(platform::ModalResult::Yes);  // overwrite
  dialogs.answer(platform::ModalResult::Ok);   // the in-use message
  WindowWatch watch;
  bool stayedOnConvertPanel = false;
  dialogs.onShow([&](const testing_support::ShownDialog& shown) {
    if (shown.icon != platform::DialogIcon::Error) return;
    // After the message the window stays until Stop.
    QTimer::singleShot(300, [&] {
      for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* d = dynamic_cast<DownloadWindow*>(w); d != nullptr && d->isVisible()) {
          stayedOnConvertPanel = d->convertPanel->isVisible() && d->convertProgressBar->value() < 100;
          d->convertStopButton->click();
        }
      }
    });
  });
  EXPECT_EQ(runWindow(localRequest(video)), platform::ModalResult::Abort);
  ::kill(holder, SIGKILL);
  ::waitpid(holder, nullptr, 0);
  ::close(ready[0]);
  ::close(ready[1]);

  EXPECT_TRUE(stayedOnConvertPanel);
  ASSERT_EQ(dialogs.shown().size(), 2u);
  EXPECT_EQ(dialogs.shown()[1].caption, "Karvel Clipwave");
  EXPECT_EQ(dialogs.shown()[1].text, "Video file will be created may be used, convert process failed!");
  EXPECT_EQ(dialogs.shown()[1].icon, platform::DialogIcon::Error);
}

TEST_F(DownloadWindowTest, StopDuringConversionKillsTheConverterAndEndsWithAbort) {
  const std::string video = makeVideo(600);
  ScriptedDialogs dialogs;
  WindowWatch watch;
  pid_t child = 0;
  watch.onShow = [&](DownloadWindow& w) {
    child = convert::convertProcess->processId();
    QTimer::singleShot(500, &w, [&w] { w.convertStopButton->click(); });
  };
  EXPECT_EQ(runWindow(localRequest(video)), platform::ModalResult::Abort);
  EXPECT_GT(child, 0);
  EXPECT_TRUE(processGone(child));
  EXPECT_EQ(convert::convertProcess->processId(), 0);
  const std::size_t barMoves = watch.bar.size();
  convert_test::RecordCollector().pump(300);  // nothing more arrives for the closed window
  EXPECT_EQ(watch.bar.size(), barMoves);
  EXPECT_TRUE(watch.bar.empty() || watch.bar.back() < 100);
  EXPECT_TRUE(std::filesystem::exists(video));
}

TEST_F(DownloadWindowTest, ARecordAtHundredClosesTheWindowAndTheConverterIsKilled) {
  const std::string video = makeVideo(600);
  ScriptedDialogs dialogs;
  WindowWatch watch;
  pid_t child = 0;
  watch.onShow = [&](DownloadWindow&) {
    child = convertProcess->processId();
    convertProcess->notifyTarget.post(
        ConvertProgress{.percent = 100, .elapsed = "00:01", .estimated = "00:01"});
  };
  EXPECT_EQ(runWindow(localRequest(video)), platform::ModalResult::Cancel);
  EXPECT_GT(child, 0);
  EXPECT_TRUE(processGone(child));
  EXPECT_TRUE(std::filesystem::exists(video)) << "a local source is never deleted";
}

TEST_F(DownloadWindowTest, ConverterFailureIsReportedAndDeletesNothing) {
  const std::string notVideo = dir_.write("broken.flv", "this is not a video");
  ScriptedDialogs dialogs;
  dialogs.answer(platform::ModalResult::Ok);
  EXPECT_EQ(runWindow(localRequest(notVideo)), platform::ModalResult::Cancel);
  EXPECT_TRUE(std::filesystem::exists(notVideo));
  ASSERT_EQ(dialogs.shown().size(), 1u);
  EXPECT_EQ(dialogs.shown()[0].caption, "Karvel Clipwave");
  EXPECT_EQ(dialogs.shown()[0].icon, platform::DialogIcon::Error);
  EXPECT_EQ(dialogs.shown()[0].text.rfind("The conversion failed; the video file was kept.", 0), 0u);
  EXPECT_GT(dialogs.shown()[0].text.size(),
            std::string("The conversion failed; the video file was kept.\n\n").size());
}

}  // namespace

namespace {

// The page phase with scripted browser controls: the window reads the page, runs the extraction over
// it and goes on as the page says.
class PagePhaseTest : public DownloadWindowTest {
 protected:
  void SetUp() override {
    DownloadWindowTest::SetUp();
    common::SiteConfig sites;
    sites.youTubeDomain = sites.youTubeHost = "127.0.0.1:1";  // nothing listens on port 1
    common::SiteConfig::setCurrent(sites);
  }
  void TearDown() override {
    common::SiteConfig::reset();
    DownloadWindowTest::TearDown();
  }
  // Runs a download-mode window whose two controls show `first` and `second`, without the resolver. The
  // download panel's name line tells the file name found.
  int runPage(platform::ScriptedWebBrowser::Page first, platform::ScriptedWebBrowser::Page second) {
    browser1_.setPages({std::move(first)});
    browser2_.setPages({std::move(second)});
    download::JobParts parts = download::standardJobParts();
    parts.pageRules = [this] {
      auto locator = std::make_unique<download::PageLocator>(browser1_, browser2_);
      locator->setLimits({/*pollMs=*/300, /*passMs=*/10, /*attempts=*/2});
      return std::unique_ptr<download::StreamLocator>(std::move(locator));
    };
    parts.resolver = nullptr;
    DownloadWindow window(
        nullptr,
        testing_support::jobInput(kPage, download::RequestMode::DownloadConvert, out_, ".mp3", kMp3Args),
        std::move(parts));
    const int result = window.exec();
    downloadName_ = window.downloadNameLabel->text().toStdString();
    return result;
  }
  static platform::ScriptedWebBrowser::Page text(const std::string& text) {
    return platform::ScriptedWebBrowser::textPage(text);
  }
  static platform::ScriptedWebBrowser::Page unreadable() {
    platform::ScriptedWebBrowser::Page page;
    page.frames.push_back(
        {platform::BrowserReadyState::Complete, {platform::PageSource::Kind::Unreadable, {}}});
    return page;
  }

  static constexpr const char* kPage = "http://127.0.0.1:1/watch?v=abc";
  platform::ScriptedWebBrowser browser1_, browser2_;
  std::string downloadName_;
};

TEST_F(PagePhaseTest, FoundAddressGoesOnToTheDownload) {
  ScriptedDialogs dialogs;
  dialogs.answer(platform::ModalResult::Ok);  // the download cannot connect
  EXPECT_EQ(
      runPage(text("<title>YouTube - My Clip</title><embed src=\"/p.swf?v=abc&t=tok&hl=en\">"), text("")),
      platform::ModalResult::Cancel);
  EXPECT_EQ(downloadName_, "Downloading: My Clip.flv ...");
  ASSERT_EQ(dialogs.shown().size(), 1u);
  EXPECT_EQ(dialogs.shown()[0].icon, platform::DialogIcon::Error);
  EXPECT_EQ(dialogs.shown()[0].text.rfind("Unable to download http://127.0.0.1:1/get_video?", 0), 0u)
      << dialogs.shown()[0].text;
  EXPECT_EQ(browser1_.calls().front(), std::string("navigate ") + kPage);
}

TEST_F(PagePhaseTest, PageEndingsTheUserMeets) {
  struct Case {
    const char* name;
    platform::ScriptedWebBrowser::Page first, second;
    int result;
    const char* notice;  // the one box shown, or nullptr for none
  };
  const Case cases[] = {
      {"no address in the page", text("<title>YouTube - x</title><body>nothing"), text(""),
       platform::ModalResult::Abort, "Unable get html from http://127.0.0.1:1/watch?v=abc"},
      {"text unreadable in both controls: closes silently", unreadable(), unreadable(),
       platform::ModalResult::Cancel, nullptr},
      {"age verification", text("<p>Please verify you are 18 or older</p>"), text(""),
       platform::ModalResult::Abort, ""},
      {"the browser refuses the page",
       {{}, true},
       text(""),
       platform::ModalResult::Abort,
       "Unable get html from http://127.0.0.1:1/watch?v=abc"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedDialogs dialogs;
    if (c.notice != nullptr) dialogs.answer(platform::ModalResult::Ok);
    EXPECT_EQ(runPage(c.first, c.second), c.result);
    ASSERT_EQ(dialogs.shown().size(), c.notice != nullptr ? 1u : 0u);
    if (c.notice != nullptr && *c.notice != '\0') {
      EXPECT_EQ(dialogs.shown()[0].text, c.notice);
    }
  }
}

}  // namespace

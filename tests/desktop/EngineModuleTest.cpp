// The web engine's module in the real main window: not loaded at start nor by a local file's conversion,
// loaded by the first page fetch; and without it, a page address is answered with a message while local
// files still convert.
#include "app/MainWindow.h"
#include "common/SiteConfig.h"
#include "desktop/DesktopSupport.h"
#include "platform/Messages.h"
#include "platform/Paths.h"
#include "platform/browser/CreateWebBrowser.h"
#include "platform/browser/WebEngineModule.h"
#include "support/ScriptedDialogs.h"
#include "support/TempDir.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <filesystem>
#include <memory>

namespace {

using testing_support::ScriptedDialogs;
using testing_support::TempDir;

// True when a file whose path holds `part` is mapped into this process.
bool mapped(const std::string& part) {
  return testing_support::mappedFiles(::getpid()).find(part) != std::string::npos;
}

// Closes each download window as its close box would as soon as it is shown, before it does anything.
class CloseDownloadWindows : public QObject {
 public:
  CloseDownloadWindows() { qApp->installEventFilter(this); }
  ~CloseDownloadWindows() override { qApp->removeEventFilter(this); }
  int closed = 0;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* dialog = qobject_cast<QDialog*>(watched);
    if (event->type() == QEvent::Show && dialog != nullptr && dialog->isModal()) {
      ++closed;
      QTimer::singleShot(0, dialog, [dialog] { dialog->reject(); });
    }
    return false;
  }
};

class EngineModuleTest : public testing::Test {
 protected:
  void SetUp() override {
    // The engine, should it start, is to reach nothing but this machine.
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--proxy-server=http://127.0.0.1:9");
    platform::setSettingsFilePath(dir_.file("settings.ini"));
    common::SiteConfig::setCurrent(common::SiteConfig());
    window_ = std::make_unique<app::MainWindow>();
    window_->show();
    testing_support::pumpEvents();
    window_->outputFolderEdit->setText(QString::fromStdString(dir_.path()));
  }
  void TearDown() override {
    window_.reset();
    common::SiteConfig::reset();
    platform::setSettingsFilePath("");
    platform::setWebEngineModulePath("");
  }

  // Converts a short local video to MP3 through Start and the real download window.
  void convertLocalFile() {
    const std::string video = dir_.file("clip.flv");
    ASSERT_TRUE(testing_support::makeVideo(video, 1));
    window_->convertLocalRadio->click();
    window_->localFileEdit->setText(QString::fromStdString(video));
    window_->startButton->click();  // returns once the conversion is over and the window closed
    EXPECT_TRUE(std::filesystem::exists(dir_.file("clip.mp3")));
  }

  void startPageAddress() {
    window_->downloadConvertRadio->click();
    window_->urlEdit->setText("http://www.youtube.com/watch?v=abc");
    window_->startButton->click();
  }

  TempDir dir_;
  std::unique_ptr<app::MainWindow> window_;
};

TEST_F(EngineModuleTest, IsLoadedByTheFirstPageFetchOnly) {
  if (!CLIPWAVE_HAVE_WEBENGINE) GTEST_SKIP() << "built without the web engine module";
  ASSERT_TRUE(std::filesystem::exists(platform::webEngineModuleCandidates().front()))
      << "the tests are told where the module is";
  EXPECT_FALSE(platform::webEngineModuleLoaded());
  EXPECT_FALSE(mapped(platform::kWebEngineModuleFile));
  EXPECT_FALSE(mapped("libQt6WebEngineCore")) << "the program links the engine";

  ScriptedDialogs dialogs;
  convertLocalFile();
  EXPECT_FALSE(mapped(platform::kWebEngineModuleFile)) << "a local file loaded the engine";
  EXPECT_FALSE(mapped("libQt6WebEngineCore"));
  // A browser control costs nothing until it loads a page.
  const std::unique_ptr<platform::WebBrowser> unused = platform::createWebBrowser();
  EXPECT_EQ(unused->readyState(), platform::BrowserReadyState::Uninitialized);
  EXPECT_FALSE(mapped(platform::kWebEngineModuleFile));

  CloseDownloadWindows closer;
  startPageAddress();
  EXPECT_EQ(closer.closed, 1) << "no download window opened for the page";
  EXPECT_TRUE(platform::webEngineModuleLoaded());
  EXPECT_TRUE(mapped(platform::kWebEngineModuleFile));
  EXPECT_TRUE(mapped("libQt6WebEngineCore"));
  EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(EngineModuleTest, WithoutItAPageAddressIsAnsweredWithAMessageAndLocalFilesStillConvert) {
  const std::string missing = dir_.file("nowhere/clipwave-webengine.so");
  platform::setWebEngineModulePath(missing);
  ScriptedDialogs dialogs;
  dialogs.answer(platform::ModalResult::Ok);
  {
    CloseDownloadWindows closer;
    startPageAddress();
    EXPECT_EQ(closer.closed, 0) << "a download window opened without the engine";
  }
  ASSERT_EQ(dialogs.shown().size(), 1u);
  const testing_support::ShownDialog& box = dialogs.shown()[0];
  EXPECT_EQ(box.caption, "Karvel Clipwave");
  EXPECT_EQ(box.icon, platform::DialogIcon::Error);
  EXPECT_EQ(box.buttons, platform::DialogButtons::Ok);
  EXPECT_EQ(box.text,
            "Video pages cannot be loaded: the web engine module of this copy of Clipwave is missing or "
            "could not be started. Local video files can still be converted.\n\n" +
                missing + ": no such file");
  EXPECT_FALSE(platform::webEngineModuleLoaded());

  // The command line's way in: the control refuses the page with the same words.
  const std::unique_ptr<platform::WebBrowser> browser = platform::createWebBrowser();
  try {
    browser->navigate("http://www.youtube.com/watch?v=abc");
    ADD_FAILURE() << "the page was accepted";
  } catch (const platform::BrowserError& error) {
    EXPECT_EQ(error.what(), box.text);
  }

  dialogs.clearShown();
  convertLocalFile();
  EXPECT_TRUE(dialogs.shown().empty());
}

TEST(EngineModule, AFileThatIsNoModuleIsRefusedWithItsReason) {
  TempDir dir;
  const std::string notModule = dir.write("clipwave-webengine.so", "not a library");
  platform::setWebEngineModulePath(notModule);
  EXPECT_FALSE(platform::loadWebEngineModule());
  EXPECT_NE(platform::webEngineModuleError().find(notModule), std::string::npos)
      << platform::webEngineModuleError();
  // A library without the entry points: a Qt library is at hand in every test.
  const std::string library = testing_support::mappedPathOf(::getpid(), "libQt6Core.so");
  ASSERT_FALSE(library.empty());
  platform::setWebEngineModulePath(library);
  EXPECT_FALSE(platform::loadWebEngineModule());
  EXPECT_EQ(platform::webEngineModuleError(), library + ": not a Clipwave web engine module");
  platform::setWebEngineModulePath("");
}

}  // namespace

#include "app/MainWindow.h"

#include "platform/IniFile.h"
#include "platform/Paths.h"
#include "support/ScriptedDialogs.h"
#include "support/TempDir.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>

#include <filesystem>
#include <fstream>
#include <memory>

using testing_support::ScriptedDialogs;
using testing_support::TempDir;

namespace {

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override { platform::setSettingsFilePath(dir_.file("settings.ini")); }
  void TearDown() override {
    window_.reset();
    platform::setSettingsFilePath("");
  }

  void writeSettings(const std::string& text) { dir_.write("settings.ini", text); }
  std::string readSettings() const {
    std::ifstream in(dir_.file("settings.ini"));
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  app::MainWindow& open() {
    window_ = std::make_unique<app::MainWindow>();
    window_->show();
    testing_support::pumpEvents();
    return *window_;
  }
  void close() {
    window_->close();
    window_.reset();
  }

  TempDir dir_;
  std::unique_ptr<app::MainWindow> window_;
};

TEST_F(MainWindowTest, WindowHasTheDesignedFrameAndControls) {
  app::MainWindow& w = open();
  EXPECT_EQ(w.size(), QSize(407, 334));
  EXPECT_EQ(w.minimumSize(), w.maximumSize());
  EXPECT_EQ(w.windowTitle(), "Karvel Clipwave");
  EXPECT_FALSE(w.windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_EQ(w.bannerImage->geometry(), QRect(0, 0, 407, 50));
  // The pictures, drawn on a second thread while the controls were made, are in place at their sizes.
  EXPECT_FALSE(w.windowIcon().isNull());
  EXPECT_EQ(w.bannerImage->pixmap().deviceIndependentSize().toSize(), QSize(407, 50));
  EXPECT_EQ(w.logoImage->pixmap().deviceIndependentSize().toSize(), w.logoImage->size());
  EXPECT_EQ(w.updateIcon->pixmap().deviceIndependentSize().toSize(), w.updateIcon->size());
  EXPECT_EQ(w.updateLink->x(), 407 - w.updateLink->width() - 10);
  EXPECT_EQ(w.updateIcon->x(), w.updateLink->x() - 20);
  EXPECT_EQ(w.localFileEdit->geometry(), QRect(0, 32, 294, 20));
  EXPECT_EQ(w.urlEdit->geometry(), QRect(0, 32, 390, 20));
  EXPECT_EQ(w.startButton->geometry(), QRect(117, 249, 80, 23));
  EXPECT_EQ(w.showFilesButton->geometry(), QRect(211, 249, 80, 23));
  EXPECT_EQ(w.exitButton->geometry(), QRect(305, 249, 80, 23));
  EXPECT_EQ(w.startButton->text(), "Start...");
  EXPECT_EQ(w.selectFileButton->toolTip(), "Select local video file");
  EXPECT_EQ(w.browseFolderButton->toolTip(), "Set your default output folder");
  EXPECT_EQ(w.formatCombo->count(), 10);
  EXPECT_EQ(w.downloadConvertRadio->text(), "Download and convert video from YouTube");
  EXPECT_EQ(w.convertLocalRadio->text(), "Convert video from local FLV file");
}

TEST_F(MainWindowTest, ModeLayoutsSwapTheAddressAndTheFile) {
  app::MainWindow& w = open();
  w.convertLocalRadio->click();
  EXPECT_EQ(w.sourceLabel->text(), "Select video file:");
  EXPECT_TRUE(w.localFileEdit->isVisible() && w.selectFileButton->isVisible());
  EXPECT_FALSE(w.urlEdit->isVisible() || w.exampleUrlLink->isVisible() || w.exampleUrlEnd->isVisible());
  w.downloadConvertRadio->click();
  EXPECT_EQ(w.sourceLabel->text(), "Enter video URL (Example: ");
  EXPECT_TRUE(w.urlEdit->isVisible() && w.exampleUrlLink->isVisible() && w.exampleUrlEnd->isVisible());
  EXPECT_FALSE(w.localFileEdit->isVisible() || w.selectFileButton->isVisible());
  EXPECT_TRUE(w.formatCombo->isEnabled());
}

struct SettingsCase {
  const char* name;
  const char* file;  // nullptr: no settings file
  bool folderFromFile;
  int mode;  // expected RadioButton; -2: no layout applied
  int format;
};

TEST_F(MainWindowTest, SettingsAreReadWithDefaultsForWhatIsMissingOrUnreadable) {
  const SettingsCase cases[] = {
      {"no file", nullptr, false, 0, 1},
      {"empty file", "", false, 0, 1},
      {"no folder key", "[Options]\nRadioButton=1\nConvertFormat=3\n", false, 1, 3},
      {"no mode key", "[Options]\nOutputDirectory=@\nConvertFormat=0\n", true, 0, 0},
      {"no format key", "[Options]\nOutputDirectory=@\nRadioButton=1\n", true, 1, 1},
      {"nothing selected", "[Options]\nConvertFormat=-1\n", false, 0, -1},
      {"mode out of range", "[Options]\nRadioButton=7\n", false, -2, 1},
      {"byte-order mark", "\xEF\xBB\xBF[Options]\nOutputDirectory=@\nRadioButton=1\nConvertFormat=4\n", true,
       1, 4},
      {"garbage and wrong types",
       "\x01\x02garbage\n[Options\n[Options]\nnoequals\nRadioButton=one\nConvertFormat=99999999999\n=x\n",
       false, 0, 1},
      {"other section", "[Other]\nRadioButton=1\n", false, 0, 1},
  };
  for (const SettingsCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(dir_.file("settings.ini"));
    if (c.file != nullptr) {
      std::string text = c.file;
      const std::size_t at = text.find('@');
      if (at != std::string::npos) text.replace(at, 1, dir_.path());
      writeSettings(text);
    }
    app::MainWindow& w = open();
    EXPECT_EQ(w.outputFolderEdit->text().toStdString(),
              c.folderFromFile ? dir_.path() : platform::defaultOutputDir());
    EXPECT_EQ(w.formatCombo->currentIndex(), c.format);
    if (c.mode == -2) {
      EXPECT_EQ(w.modeIndex, 7);
    } else {
      EXPECT_EQ(w.convertLocalRadio->isChecked(), c.mode == 1);
      EXPECT_EQ(w.localFileEdit->isVisible(), c.mode == 1);
    }
    close();
  }
}

TEST_F(MainWindowTest, SettingsRoundTripExactly) {
  const std::string folder = dir_.path() + "/Música, live  and more";
  const std::string spaced = dir_.path() + "/ end with blank ";
  for (const std::string& path : {folder, spaced}) {
    SCOPED_TRACE(path);
    std::filesystem::create_directories(path);
    app::MainWindow& w = open();
    w.outputFolderEdit->setText(QString::fromStdString(path));
    w.convertLocalRadio->click();
    w.formatCombo->setCurrentIndex(4);
    close();
    app::MainWindow& again = open();
    EXPECT_EQ(again.outputFolderEdit->text().toStdString(), path);
    EXPECT_TRUE(again.convertLocalRadio->isChecked());
    EXPECT_EQ(again.formatCombo->currentIndex(), 4);
    close();
  }
}

TEST_F(MainWindowTest, ATypedFolderThatDoesNotExistIsNotSaved) {
  const std::string kept = dir_.path() + "/kept";
  std::filesystem::create_directories(kept);
  writeSettings("[Options]\nOutputDirectory=" + kept + "\n");
  app::MainWindow& w = open();
  w.outputFolderEdit->setText(QString::fromStdString(dir_.path() + "/typed-but-missing"));
  close();
  EXPECT_EQ(platform::IniFile(dir_.file("settings.ini")).readString("Options", "OutputDirectory", ""), kept);

  // A stored folder deleted before close is still written back: nothing better is known.
  std::filesystem::remove(kept);
  open();
  close();
  EXPECT_EQ(platform::IniFile(dir_.file("settings.ini")).readString("Options", "OutputDirectory", ""), kept);
}

TEST_F(MainWindowTest, NothingSelectedIsSavedAsMinusOne) {
  app::MainWindow& w = open();
  w.formatCombo->setCurrentIndex(-1);
  close();
  EXPECT_NE(readSettings().find("ConvertFormat=-1"), std::string::npos);
  EXPECT_EQ(open().formatCombo->currentIndex(), -1);
}

TEST_F(MainWindowTest, SettingsFileIsReplacedWholeAndLeavesNoTemporaryFiles) {
  open();
  close();
  open();
  close();
  int files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir_.path())) ++files;
  EXPECT_EQ(files, 1);
  EXPECT_EQ(readSettings().rfind("[Options]\n", 0), 0u);
}

TEST_F(MainWindowTest, BrowserButtonSetsTheFolderAndCancelKeepsIt) {
  ScriptedDialogs dialogs;
  app::MainWindow& w = open();
  const QString before = w.outputFolderEdit->text();
  dialogs.answerPaths({});
  w.browseFolderButton->click();
  EXPECT_EQ(w.outputFolderEdit->text(), before);
  dialogs.answerPaths({dir_.path()});
  w.browseFolderButton->click();
  EXPECT_EQ(w.outputFolderEdit->text().toStdString(), dir_.path());
  EXPECT_EQ(w.outputDir, dir_.path());
  ASSERT_EQ(dialogs.shown().size(), 2u);
  EXPECT_EQ(dialogs.shown()[0].kind, testing_support::ShownDialog::SelectFolder);
  EXPECT_EQ(dialogs.shown()[0].caption, "Please select the directory to add");
}

TEST_F(MainWindowTest, ClipboardTextFillsTheAddressByTheRules) {
  struct {
    const char* copied;
    const char* expected;  // the address field afterwards
  } cases[] = {
      {"  \thttp://WWW.EXAMPLE.COM/watch?v=1 \r\n", "http://WWW.EXAMPLE.COM/watch?v=1"},
      {"no address here", "before"},
      {"HTTP://CACHE.YOUTUBE.COM/get_video?id=1", "before"},
      {"plain.com", "plain.com"},
      {"", "before"},
  };
  app::MainWindow& w = open();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.copied);
    w.urlEdit->setText("before");
    QGuiApplication::clipboard()->setText(c.copied);
    testing_support::pumpEvents();
    EXPECT_EQ(w.urlEdit->text().toStdString(), c.expected);
  }

  // Local-file mode still fills the hidden field; text that is not text, or is huge, is ignored.
  w.convertLocalRadio->click();
  QGuiApplication::clipboard()->setText("http://x.com/watch?v=2");
  testing_support::pumpEvents();
  EXPECT_EQ(w.urlEdit->text(), "http://x.com/watch?v=2");
  auto* picture = new QMimeData;
  picture->setData("image/png", "\x89PNG");
  QGuiApplication::clipboard()->setMimeData(picture);
  testing_support::pumpEvents();
  QGuiApplication::clipboard()->setText(QString(1 << 20, 'a') + ".com");
  testing_support::pumpEvents();
  EXPECT_EQ(w.urlEdit->text(), "http://x.com/watch?v=2");
}

TEST_F(MainWindowTest, TextOnTheClipboardAtStartFillsTheAddress) {
  QGuiApplication::clipboard()->setText(" http://www.example.com/watch?v=at-start ");
  testing_support::pumpEvents();
  app::MainWindow& w = open();
  EXPECT_EQ(w.urlEdit->text(), "http://www.example.com/watch?v=at-start");
}

TEST_F(MainWindowTest, ShowInstanceMessageRestoresAMinimisedWindow) {
  app::MainWindow& w = open();
  w.showMinimized();
  testing_support::pumpEvents();
  w.mailbox().post(app::ShowInstance{});
  testing_support::pumpEvents();
  EXPECT_FALSE(w.isMinimized());
  EXPECT_TRUE(w.isVisible());
}

}  // namespace

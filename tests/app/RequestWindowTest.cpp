// Start, Show Files and Browse pressed in the real main window (offscreen), with scripted dialogs and
// a download window factory that records the request and the window's state while it runs.
#include "app/DownloadLauncher.h"
#include "app/MainWindow.h"
#include "common/SiteConfig.h"
#include "platform/Paths.h"
#include "support/ScriptedDialogs.h"
#include "support/TempDir.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <vector>

namespace {

using ConversionRequest = download::JobInput;
using testing_support::ScriptedDialogs;
using testing_support::TempDir;

class RequestWindowTest : public testing::Test {
 protected:
  void SetUp() override {
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
  }

  TempDir dir_;
  std::unique_ptr<app::MainWindow> window_;
  std::vector<ConversionRequest> requests_;
  app::ScopedDownloadWindowFactory factory_{[this](QWidget* owner, const ConversionRequest& request) {
    EXPECT_EQ(owner, window_.get());
    requests_.push_back(request);
    return int(platform::ModalResult::Ok);
  }};
};

TEST_F(RequestWindowTest, StartHandsTheNormalisedAddressAndTheChosenFormatOn) {
  app::MainWindow& w = *window_;
  w.urlEdit->setText("http://www.youtube.com/watch?feature=related&v=abc");
  w.formatCombo->setCurrentIndex(3);  // WAV
  w.startButton->click();
  ASSERT_EQ(requests_.size(), 1u);
  EXPECT_EQ(requests_[0].source, "http://www.youtube.com/watch?v=abc");
  EXPECT_EQ(requests_[0].mode, download::RequestMode::DownloadConvert);
  EXPECT_EQ(requests_[0].targetExt, ".wav");
  EXPECT_EQ(requests_[0].convertArgs, "-ar 44100 -ab 128kbit/s -ac 2 ");
  EXPECT_EQ(w.urlEdit->text(),
            "http://www.youtube.com/watch?feature=related&v=abc");  // the field keeps what was typed
  EXPECT_EQ(w.outputDir, dir_.path());
}

TEST_F(RequestWindowTest, ANoticeStopsStartAndLeavesTheFieldsAsTyped) {
  app::MainWindow& w = *window_;
  ScriptedDialogs dialogs;
  const std::string missing = dir_.file("new/folder");
  w.outputFolderEdit->setText(QString::fromStdString(missing));
  w.urlEdit->setText("http://www.youtube.com/user/someone");
  dialogs.answer(platform::ModalResult::Yes);  // create the folder
  dialogs.answer(platform::ModalResult::Ok);   // the address notice
  w.startButton->click();
  ASSERT_EQ(dialogs.shown().size(), 2u);
  EXPECT_EQ(dialogs.shown()[0].text,
            missing + ", the output directory does not exist.\r\ncreates a new directory?");
  EXPECT_EQ(dialogs.shown()[1].text, "Please enter the url like http://www.youtube.com/watch?v=Xq0TXIuQ5zk");
  EXPECT_EQ(dialogs.shown()[1].icon, platform::DialogIcon::Information);
  EXPECT_TRUE(std::filesystem::is_directory(missing));
  EXPECT_TRUE(requests_.empty());
  EXPECT_EQ(w.urlEdit->text(), "http://www.youtube.com/user/someone");
  EXPECT_EQ(w.outputFolderEdit->text().toStdString(), missing);
  EXPECT_TRUE(w.isEnabled() && w.isVisible());
}

TEST_F(RequestWindowTest, AFailingDownloadWindowLeavesTheMainWindowUsable) {
  app::MainWindow& w = *window_;
  w.urlEdit->setText("http://www.youtube.com/watch?v=abc");
  {
    app::ScopedDownloadWindowFactory failing([](QWidget*, const ConversionRequest&) -> int {
      throw std::runtime_error("the download window failed");
    });
    w.startButton->click();
  }
  EXPECT_TRUE(w.isVisible() && w.isEnabled());
  w.startButton->click();
  EXPECT_EQ(requests_.size(), 1u);
}

TEST_F(RequestWindowTest, BrowseFillsTheLocalFileAndStartConvertsIt) {
  app::MainWindow& w = *window_;
  const std::string clip = dir_.write("clip.flv", "FLV");
  ScriptedDialogs dialogs;
  dialogs.answerPaths({clip});
  w.convertLocalRadio->click();
  w.selectFileButton->click();
  EXPECT_EQ(w.localFileEdit->text().toStdString(), clip);
  w.formatCombo->setCurrentIndex(2);
  w.startButton->click();
  ASSERT_EQ(requests_.size(), 1u);
  EXPECT_EQ(requests_[0].source, clip);
  EXPECT_EQ(requests_[0].mode, download::RequestMode::ConvertLocalFile);
  EXPECT_EQ(requests_[0].targetExt, ".mp3");
  EXPECT_EQ(requests_[0].convertArgs, "-ar 44100 -ab 64kbit/s -ac 1 ");

  // Cancelling the picker keeps the file.
  dialogs.answerPaths({});
  w.selectFileButton->click();
  EXPECT_EQ(w.localFileEdit->text().toStdString(), clip);
}

TEST_F(RequestWindowTest, ShowFilesWithAMissingFolderShowsAnErrorAndCreatesNothing) {
  app::MainWindow& w = *window_;
  ScriptedDialogs dialogs;
  const std::string missing = dir_.file("gone");
  w.outputFolderEdit->setText(QString::fromStdString(missing));
  dialogs.answer(platform::ModalResult::Ok);
  w.showFilesButton->click();
  ASSERT_EQ(dialogs.shown().size(), 1u);
  EXPECT_EQ(dialogs.shown()[0].caption, "Karvel Clipwave");
  EXPECT_EQ(dialogs.shown()[0].text, missing + ", the output directory does not exist.");
  EXPECT_EQ(dialogs.shown()[0].icon, platform::DialogIcon::Error);
  EXPECT_FALSE(std::filesystem::exists(missing));
}

}  // namespace

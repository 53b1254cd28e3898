// Start with a page that holds a list, in the main window: the fake yt-dlp answers `--flat-playlist` for the
// site simulator's list page, and the box "This page holds a list of N videos. Convert all of them?" chooses:
// All queues the entries in order as tracks of an album named after the list, Only this video opens the
// download window as for any page, Cancel does nothing. The queue's jobs are the test's own.
#include "FakeQueueWindowFixture.h"

#include "app/DownloadLauncher.h"
#include "app/QueueWindow.h"
#include "queue/Queue.h"
#include "support/ScriptedDialogs.h"
#include "support/SiteSimulator.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <memory>

namespace {

using platform::DialogButtons;
using platform::ModalResult;
using testing_support::ScriptedDialogs;
using testing_support::waitFor;

class PlaylistBoxTest : public app_test::FakeQueueWindowFixture {
 protected:
  void SetUp() override {
    ASSERT_TRUE(simulator_.ready());
    std::ofstream(ytdlp_) << "#!/bin/sh\nexec /usr/bin/python3 '" CLIPWAVE_FAKE_YTDLP "' \"$@\"\n";
    ::chmod(ytdlp_.c_str(), 0755);
    ::setenv("CLIPWAVE_YTDLP", ytdlp_.c_str(), 1);
    ::setenv("CLIPWAVE_RESOLVER", "on", 1);
    ::setenv("FAKE_YTDLP_SITES", simulator_.sitesFile().c_str(), 1);
    FakeQueueWindowFixture::SetUp();
  }
  void TearDown() override {
    FakeQueueWindowFixture::TearDown();
    for (const char* name : {"CLIPWAVE_YTDLP", "CLIPWAVE_RESOLVER", "FAKE_YTDLP_SITES"}) ::unsetenv(name);
  }

  // Start on `address`; true once the probe has answered (and the box, if any, was shown).
  bool start(const std::string& address) {
    window_->downloadConvertRadio->click();
    window_->urlEdit->setText(QString::fromStdString(address));
    window_->startButton->click();
    return waitFor([&] { return !window_->probing() && window_->startButton->isEnabled(); }, 60000);
  }

  testing_support::SiteSimulator simulator_{dir_.path()};
  std::string ytdlp_ = dir_.file("yt-dlp");
};

TEST_F(PlaylistBoxTest, AllOnlyThisVideoAndCancel) {
  const std::string list = simulator_.site("cache") + "/playlist/lst-n3";
  std::vector<download::JobInput> windows;
  app::ScopedDownloadWindowFactory factory([&](QWidget*, const download::JobInput& job) {
    windows.push_back(job);
    return ModalResult::Ok;
  });
  {
    ScriptedDialogs dialogs;
    dialogs.answer(ModalResult::Cancel);
    ASSERT_TRUE(start(list));
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_EQ(dialogs.shown()[0].text, "This page holds a list of 3 videos. Convert all of them?");
    EXPECT_EQ(dialogs.shown()[0].buttons, DialogButtons::AllOnlyThisCancel);
    EXPECT_TRUE(windows.empty());
    EXPECT_FALSE(window_->hasQueueSession());
  }
  {
    // "Only this video": the download window, as for any page (the list's own address is then the job's).
    ScriptedDialogs dialogs;
    const std::string video = simulator_.site("cache") + "/page/clip?list=lst-n2";
    dialogs.answer(ModalResult::No);
    ASSERT_TRUE(start(video));
    ASSERT_EQ(windows.size(), 1u);
    EXPECT_EQ(windows[0].source, video);
    EXPECT_FALSE(windows[0].trackNumber);
  }
  {
    ScriptedDialogs dialogs;
    dialogs.answer(ModalResult::Yes);
    ASSERT_TRUE(start(list));
    ASSERT_TRUE(window_->hasQueueSession());
    const std::vector<queue::QueueItem>& items = window_->queueSession().queue().items();
    ASSERT_EQ(items.size(), 3u);
    for (int k = 0; k < 3; ++k) {
      const download::JobInput& input = items[static_cast<std::size_t>(k)].input;
      EXPECT_EQ(input.source, simulator_.site("cache") + "/page/lst-n3-" + std::to_string(k + 1));
      EXPECT_EQ(input.trackNumber, k + 1);
      EXPECT_EQ(input.trackCount, 3);
      EXPECT_EQ(input.album, "Sim list lst-n3");
      EXPECT_EQ(input.outputFolder, out_);
    }
    EXPECT_TRUE(window_->queueSession().window()->isVisible());
    EXPECT_EQ(windows.size(), 1u);
  }
  {
    // A list the resolver cannot read: the page goes on as any page, without a box.
    ScriptedDialogs dialogs;
    window_->queueSession().queue().stopAll();
    for (const auto& job : jobs_->live()) {
      download::JobOutcome stopped;
      stopped.status = download::JobOutcome::Status::Stopped;
      job->finish(stopped);
    }
    ASSERT_TRUE(waitFor([&] { return !window_->queueSession().busy(); }, 5000));
    ASSERT_TRUE(start(simulator_.site("cache") + "/playlist/lst-noentries"));
    EXPECT_TRUE(dialogs.shown().empty());
    EXPECT_EQ(windows.size(), 2u);
  }
}

}  // namespace

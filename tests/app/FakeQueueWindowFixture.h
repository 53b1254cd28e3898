// The fixture of the main window with the queue's jobs driven by the test (tests/queue/FakeJobs.h): its
// settings file and output folder in the test's own folder, the window shown.
#pragma once

#include "app/MainWindow.h"
#include "app/QueueSession.h"
#include "platform/Paths.h"
#include "queue/FakeJobs.h"
#include "support/TempDir.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

namespace app_test {

class FakeQueueWindowFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::setSettingsFilePath(dir_.file("settings.ini"));
    dir_.write("settings.ini", "[Options]\nOutputDirectory=" + out_ + "\n");
    std::filesystem::create_directories(out_);
    app::setQueueJobsMaker([this] {
      auto jobs = std::make_unique<queue_test::FakeJobs>();
      jobs_ = jobs.get();
      return jobs;
    });
    window_ = std::make_unique<app::MainWindow>();
    window_->show();
    testing_support::pumpEvents();
  }
  void TearDown() override {
    window_.reset();
    app::setQueueJobsMaker(nullptr);
    platform::setSettingsFilePath("");
  }

  testing_support::TempDir dir_;
  std::string out_ = dir_.file("out");
  queue_test::FakeJobs* jobs_ = nullptr;  // the jobs of the queue, once the window has made it
  std::unique_ptr<app::MainWindow> window_;
};

}  // namespace app_test

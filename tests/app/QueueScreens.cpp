// A manual check of the queue window: a queue with an item in every state (waiting, finding the stream,
// downloading, converting, done, failed, stopped, exists, already done), its jobs driven by this program, and
// the box of a page that holds a list. Saves a picture of each:
//
//   QT_QPA_PLATFORM=offscreen build/tests/queue_screens OUTPUT_FOLDER            (1x)
//   QT_QPA_PLATFORM=offscreen QT_SCALE_FACTOR=2 build/tests/queue_screens OUTPUT_FOLDER
//
// The pictures are named queue-window-<scale>x.png and playlist-box-<scale>x.png.
#include "app/QueueWindow.h"
#include "platform/Dialogs.h"
#include "platform/Paths.h"
#include "platform/QtDialogs.h"
#include "queue/FakeJobs.h"
#include "queue/Queue.h"
#include "queue/QueueStore.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

namespace {

void pump() {
  for (int k = 0; k < 5; ++k) QApplication::processEvents();
}

download::JobInput page(const std::string& folder, const std::string& id) {
  download::JobInput input;
  input.source = "https://www.youtube.com/watch?v=" + id;
  input.outputFolder = folder;
  input.targetExt = ".mp3";
  input.convertArgs = "-ar 44100 -ab 128kbit/s -ac 2 ";
  return input;
}

download::JobOutcome outcome(download::JobOutcome::Status status, download::JobOutcome::Cause cause,
                             const std::string& message, std::vector<std::string> files = {}) {
  download::JobOutcome result;
  result.status = status;
  result.cause = cause;
  result.message = message;
  result.files = std::move(files);
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: queue_screens OUTPUT_FOLDER\n");
    return 2;
  }
  const std::string output = argv[1];
  const std::string scale = qEnvironmentVariableIsEmpty("QT_SCALE_FACTOR")
                                ? std::string("1")
                                : qEnvironmentVariable("QT_SCALE_FACTOR").toStdString();
  const std::string work =
      std::filesystem::temp_directory_path() / ("queue-screens-" + std::to_string(getpid()));
  std::filesystem::create_directories(work);
  platform::setSettingsFilePath(work + "/settings.ini");

  queue_test::FakeJobs jobs;
  queue::QueueStore store;
  store.open(work + "/queue.sqlite");
  queue::Queue queue(jobs, store);
  queue.setParallel(3);
  app::QueueWindow window(queue);
  window.show();
  queue.start();

  using Status = download::JobOutcome::Status;
  using Cause = download::JobOutcome::Cause;
  queue.add({page(work, "Morning-Raga"), page(work, "Lecture-01"), page(work, "Live-at-the-Pier")});
  pump();
  const std::vector<std::shared_ptr<queue_test::FakeJobRecord>> first = jobs.live();
  first[0]->listener->downloading("Morning Raga (full album).flv");
  first[1]->listener->downloading("Lecture 1 - Introduction.flv");
  first[2]->listener->downloading("Live at the Pier.flv");
  std::ofstream(work + "/Morning Raga (full album).mp3") << "audio";
  first[0]->finish(outcome(Status::Done, Cause::None, "", {work + "/Morning Raga (full album).mp3"}));
  first[1]->finish(outcome(Status::Failed, Cause::DownloadFailed,
                           "The download stopped at 2,048 KB of 9,310 KB: the connection was closed."));
  first[2]->finish(outcome(Status::Failed, Cause::OutputKept, "Live at the Pier.mp3"));
  pump();
  queue.add({page(work, "Podcast-Episode-12")});
  pump();
  jobs.live()[0]->listener->downloading("Podcast Episode 12.flv");
  queue.stop(queue.items().back().id);
  jobs.live()[0]->finish(outcome(Status::Stopped, Cause::None, ""));
  pump();
  // One already in the finished list, its file still there.
  const download::JobInput done = page(work, "Old-Favourite");
  std::ofstream(work + "/Old Favourite.mp3") << "audio";
  store.recordFinished(done.source, queue::formatKey(done), work + "/Old Favourite.mp3");
  queue.add({done, page(work, "Symphony-No-5"), page(work, "Rain-Sounds"), page(work, "Chess-Openings"),
             page(work, "Guitar-Lesson-3"), page(work, "Audiobook-Chapter-7")});
  pump();
  std::vector<std::shared_ptr<queue_test::FakeJobRecord>> live = jobs.live();
  live[0]->listener->searching(live[0]->input.source);
  live[1]->listener->downloading("Rain Sounds (10 hours).flv");
  download::DownloadFigures figures;
  figures.received = 40;
  figures.total = 100;
  live[1]->listener->downloadProgress(figures);
  live[2]->listener->downloading("Chess Openings for Beginners.flv");
  live[2]->listener->converting("Chess Openings for Beginners.mp3");
  download::ConversionFigures converted;
  converted.percent = 70;
  live[2]->listener->conversionProgress(converted);
  pump();
  window.grab().save(QString::fromStdString(output + "/queue-window-" + scale + "x.png"));

  // The box of a list, as the window shows it.
  QTimer::singleShot(300, [&] {
    for (QWidget* top : QApplication::topLevelWidgets()) {
      if (auto* box = qobject_cast<QMessageBox*>(top); box != nullptr && box->isVisible()) {
        box->grab().save(QString::fromStdString(output + "/playlist-box-" + scale + "x.png"));
        box->reject();
      }
    }
  });
  platform::installQtDialogs();
  platform::currentDialogs().messageBox(
      "Karvel Clipwave", "This page holds a list of 12 videos. Convert all of them?",
      platform::DialogIcon::Question, platform::DialogButtons::AllOnlyThisCancel);
  std::filesystem::remove_all(work);
  std::printf("saved in %s\n", output.c_str());
  return 0;
}

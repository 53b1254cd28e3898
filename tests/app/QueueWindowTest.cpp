// Several items from the main window: text with several addresses pasted into the address field, links and
// files dropped on the window (Qt's drag-and-drop events), the file picker with several files, and one item
// alone, which keeps the modal download window. Then the queue window: its rows in the window's words, its
// filters and buttons, its choices kept in the settings, no box for a queued item, and 10,000 addresses added
// in batches while the window keeps answering. The queue's jobs are the test's own (tests/queue/FakeJobs.h).
#include "FakeQueueWindowFixture.h"

#include "app/DownloadLauncher.h"
#include "app/QueueWindow.h"
#include "common/Settings.h"
#include "platform/Paths.h"
#include "queue/Queue.h"
#include "queue/QueueStore.h"
#include "support/ScriptedDialogs.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTest>
#include <QUrl>

#include <filesystem>
#include <fstream>
#include <memory>

namespace {

using download::JobOutcome;
using download::RequestMode;
using queue::ItemState;
using testing_support::ScriptedDialogs;
using testing_support::TempDir;
using testing_support::waitFor;

JobOutcome outcome(JobOutcome::Status status, JobOutcome::Cause cause = JobOutcome::Cause::None,
                   const std::string& message = std::string()) {
  JobOutcome result;
  result.status = status;
  result.cause = cause;
  result.message = message;
  return result;
}

class QueueWindowTest : public app_test::FakeQueueWindowFixture {
 protected:
  std::string page(int n) const { return "http://127.0.0.1:9/page/item-" + std::to_string(n); }
  std::string video(const std::string& name) {
    const std::string path = dir_.file(name);
    std::ofstream(path) << "video";
    return path;
  }
  queue::Queue& queue() { return window_->queueSession().queue(); }
  app::QueueWindow& queueWindow() { return *window_->queueSession().window(); }

  void drop(QWidget* target, QMimeData* data) {
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent dropped(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &dropped);
    EXPECT_TRUE(dropped.isAccepted());
  }

  void select(const std::vector<int>& rows) {
    QTableView* list = queueWindow().list;
    list->clearSelection();
    for (const int row : rows)
      list->selectionModel()->select(list->model()->index(row, 0),
                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }
  QString rowText(int row, int column) {
    return queueWindow().list->model()->index(row, column).data().toString();
  }
};

TEST_F(QueueWindowTest, PastedAddressesAreQueuedAndOneAloneStaysInTheField) {
  ScriptedDialogs dialogs;
  window_->urlEdit->setFocus();
  QGuiApplication::clipboard()->setText(QString::fromStdString(page(1)));
  QTest::keyClick(window_->urlEdit, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(window_->urlEdit->text().toStdString(), page(1));
  EXPECT_FALSE(window_->hasQueueSession()) << "one address is the field's own";

  window_->urlEdit->clear();
  QGuiApplication::clipboard()->setText(
      QString::fromStdString(page(1) + "\n\n  " + page(2) + " " + page(3) + "\tnot-an-address\n" + page(2)));
  QTest::keyClick(window_->urlEdit, Qt::Key_V, Qt::ControlModifier);
  EXPECT_TRUE(window_->urlEdit->text().isEmpty());
  ASSERT_TRUE(window_->hasQueueSession());
  ASSERT_EQ(queue().items().size(), 3u);
  for (int k = 0; k < 3; ++k) {
    const download::JobInput& input = queue().items()[static_cast<std::size_t>(k)].input;
    EXPECT_EQ(input.source, page(k + 1));
    EXPECT_EQ(input.mode, RequestMode::DownloadConvert);
    EXPECT_EQ(input.outputFolder, out_);
  }
  EXPECT_TRUE(queueWindow().isVisible());
  EXPECT_TRUE(dialogs.shown().empty());
}

// Links and files dropped on the window or on a field: each item's mode from what it is, whatever the radio
// buttons say; one item alone goes into its field.
TEST_F(QueueWindowTest, DroppedLinksAndFilesAreQueuedEachByWhatItIs) {
  ScriptedDialogs dialogs;
  const std::string a = video("a.flv");
  const std::string b = video("b b.flv");
  window_->convertLocalRadio->click();
  auto* data = new QMimeData;  // owned by the test: the events do not take it
  data->setUrls({QUrl::fromLocalFile(QString::fromStdString(a)), QUrl(QString::fromStdString(page(1))),
                 QUrl::fromLocalFile(QString::fromStdString(b)), QUrl::fromLocalFile("/no/such/file.flv"),
                 QUrl("ftp://example.org/x.flv")});
  drop(window_.get(), data);
  ASSERT_TRUE(window_->hasQueueSession());
  ASSERT_EQ(queue().items().size(), 3u);
  EXPECT_EQ(queue().items()[0].input.source, a);
  EXPECT_EQ(queue().items()[0].input.mode, RequestMode::ConvertLocalFile);
  EXPECT_EQ(queue().items()[1].input.source, page(1));
  EXPECT_EQ(queue().items()[1].input.mode, RequestMode::DownloadConvert);
  EXPECT_EQ(queue().items()[2].input.source, b);

  // Text with several addresses dropped on the address field.
  window_->downloadConvertRadio->click();
  auto* text = new QMimeData;
  text->setText(QString::fromStdString(page(7) + "\n" + page(8)));
  drop(window_->urlEdit, text);
  EXPECT_EQ(queue().items().size(), 5u);

  // One file alone: while the queue is busy it is queued too; once the queue is idle it goes into its field.
  auto* one = new QMimeData;
  one->setUrls({QUrl::fromLocalFile(QString::fromStdString(a))});
  drop(window_.get(), one);
  EXPECT_EQ(queue().items().size(), 6u);
  queue().stopAll();
  for (const auto& job : jobs_->live()) job->finish(outcome(JobOutcome::Status::Stopped));
  ASSERT_TRUE(waitFor([&] { return !window_->queueSession().busy(); }, 5000));
  drop(window_.get(), one);
  EXPECT_EQ(queue().items().size(), 6u);
  EXPECT_TRUE(window_->convertLocalRadio->isChecked());
  EXPECT_EQ(window_->localFileEdit->text().toStdString(), a);
  delete data;
  delete text;
  delete one;
  EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(QueueWindowTest, PickerWithSeveralFilesQueuesThemAndOneAddressKeepsTheDownloadWindow) {
  ScriptedDialogs dialogs;
  const std::string a = video("a.flv");
  const std::string b = video("b.flv");
  window_->convertLocalRadio->click();
  dialogs.answerPaths({a});
  window_->selectFileButton->click();
  EXPECT_EQ(window_->localFileEdit->text().toStdString(), a);
  EXPECT_FALSE(window_->hasQueueSession());
  dialogs.answerPaths({a, dir_.file("gone.flv"), b});  // a file that went meanwhile is left out
  window_->selectFileButton->click();
  ASSERT_TRUE(window_->hasQueueSession());
  ASSERT_EQ(queue().items().size(), 2u);
  EXPECT_EQ(queue().items()[1].input.mode, RequestMode::ConvertLocalFile);
  queue().stopAll();
  for (const auto& job : jobs_->live()) job->finish(outcome(JobOutcome::Status::Stopped));
  ASSERT_TRUE(waitFor([&] { return !window_->queueSession().busy(); }, 5000));

  // One address with nothing queued: the modal download window, as always.
  std::vector<download::JobInput> shown;
  app::ScopedDownloadWindowFactory factory([&](QWidget*, const download::JobInput& job) {
    shown.push_back(job);
    return platform::ModalResult::Ok;
  });
  const std::string watch = "http://www.youtube.com/watch?v=Xq0TXIuQ5zk";
  window_->downloadConvertRadio->click();
  window_->urlEdit->setText(QString::fromStdString(watch));
  window_->startButton->click();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].source, watch);
  EXPECT_EQ(queue().items().size(), 2u);
  // While something waits, Start queues it instead.
  queue().retry(queue().items()[0].id);
  queue().start();
  window_->startButton->click();
  EXPECT_EQ(shown.size(), 1u);
  EXPECT_EQ(queue().items().size(), 3u);
  EXPECT_EQ(dialogs.shown().size(), 2u) << "the two pickers, and no box";
}

// The rows in the window's words, the filters, Stop, Retry and Remove, the choices kept in the settings, and
// no box for what a queued item meets.
TEST_F(QueueWindowTest, RowsFiltersButtonsAndChoices) {
  ScriptedDialogs dialogs;
  window_->queueItems({page(1), page(2), page(3), page(4)});
  app::QueueWindow& w = queueWindow();
  ASSERT_TRUE(waitFor([&] { return jobs_->live().size() == 1; }, 5000));
  EXPECT_EQ(rowText(0, app::QueueModel::Title).toStdString(), page(1));
  jobs_->live()[0]->listener->downloading("Item one.flv");
  download::DownloadFigures figures;
  figures.received = 40;
  figures.total = 100;
  jobs_->live()[0]->listener->downloadProgress(figures);
  EXPECT_EQ(rowText(0, app::QueueModel::State), "downloading 40%");
  EXPECT_EQ(rowText(1, app::QueueModel::State), "waiting");
  jobs_->live()[0]->finish(outcome(JobOutcome::Status::Failed, JobOutcome::Cause::AgeRestricted,
                                   "This video is for adults:\nsign in first."));
  ASSERT_TRUE(waitFor([&] { return jobs_->live().size() == 1; }, 5000));
  EXPECT_EQ(rowText(0, app::QueueModel::State), "failed: This video is for adults: sign in first.");

  // Run at once: 2, kept in the settings; the second item starts beside the first.
  w.parallelCombo->setCurrentIndex(1);
  emit w.parallelCombo->activated(1);
  EXPECT_EQ(queue().parallel(), 2);
  ASSERT_TRUE(waitFor([&] { return jobs_->live().size() == 2; }, 5000));
  w.replaceCombo->setCurrentIndex(1);
  emit w.replaceCombo->activated(1);
  EXPECT_EQ(common::readQueueSettings().parallel, 2);
  EXPECT_TRUE(common::readQueueSettings().replaceExisting);

  // Filters.
  const auto shownRows = [&] { return w.list->model()->rowCount(); };
  w.filterButtons[static_cast<int>(app::QueueFilter::Failed)]->click();
  EXPECT_EQ(shownRows(), 1);
  w.filterButtons[static_cast<int>(app::QueueFilter::Running)]->click();
  EXPECT_EQ(shownRows(), 2);
  w.filterButtons[static_cast<int>(app::QueueFilter::Waiting)]->click();
  EXPECT_EQ(shownRows(), 1);
  w.filterButtons[static_cast<int>(app::QueueFilter::All)]->click();
  EXPECT_EQ(shownRows(), 4);

  // Retry the failed one, Stop a running one, Remove a waiting one.
  select({0});
  EXPECT_TRUE(w.retryButton->isEnabled());
  w.retryButton->click();
  EXPECT_EQ(queue().items()[0].state, ItemState::Waiting);
  select({1});
  w.stopButton->click();
  EXPECT_EQ(jobs_->jobFor(page(2))->stops, 1);
  jobs_->jobFor(page(2))->finish(outcome(JobOutcome::Status::Stopped));
  ASSERT_TRUE(waitFor([&] { return queue().items()[1].state == ItemState::Stopped; }, 5000));
  EXPECT_EQ(rowText(1, app::QueueModel::State), "stopped");
  select({3});
  w.removeButton->click();
  EXPECT_EQ(shownRows(), 3);
  EXPECT_EQ(queue().items().size(), 3u);
  EXPECT_TRUE(dialogs.shown().empty()) << "no box for a queued item";
}

// 10,000 addresses pasted: added in batches of the queue's size, the window painting between them; Stop all
// while adding drops the rest.
TEST_F(QueueWindowTest, TenThousandAddressesAreAddedInBatchesAndStopAllAnswersMeanwhile) {
  ScriptedDialogs dialogs;
  std::string text;
  for (int k = 0; k < 10000; ++k) text += page(k) + "\n";
  QGuiApplication::clipboard()->setText(QString::fromStdString(text));
  window_->urlEdit->setFocus();
  QTest::keyClick(window_->urlEdit, Qt::Key_V, Qt::ControlModifier);
  ASSERT_TRUE(window_->hasQueueSession());
  EXPECT_TRUE(queue().adding());
  EXPECT_LE(queue().items().size(), queue::Queue::kBatchSize) << "nothing is added before the window answers";
  // The window paints between batches.
  int paints = 0;
  struct PaintCounter : QObject {
    int* count;
    explicit PaintCounter(int* c) : count(c) {}
    bool eventFilter(QObject*, QEvent* event) override {
      if (event->type() == QEvent::Paint) ++*count;
      return false;
    }
  } counter(&paints);
  queueWindow().list->viewport()->installEventFilter(&counter);
  ASSERT_TRUE(waitFor([&] { return queue().items().size() >= 3 * queue::Queue::kBatchSize; }, 30000));
  queueWindow().list->viewport()->update();
  testing_support::pumpEvents(50);
  EXPECT_GT(paints, 0);
  EXPECT_TRUE(queue().adding());
  queueWindow().stopAllButton->click();
  EXPECT_FALSE(queue().adding());
  const std::size_t added = queue().items().size();
  EXPECT_LT(added, 10000u);
  EXPECT_EQ(added % queue::Queue::kBatchSize, 0u);
  testing_support::pumpEvents(100);
  EXPECT_EQ(queue().items().size(), added);
  EXPECT_EQ(queueWindow().list->model()->rowCount(), static_cast<int>(added));
  EXPECT_TRUE(dialogs.shown().empty());
}

}  // namespace

namespace {

queue::QueueItem storedItem(queue::ItemId id, const std::string& source, ItemState state) {
  queue::QueueItem item;
  item.id = id;
  item.input.source = source;
  item.input.outputFolder = "/tmp";
  item.input.targetExt = ".mp3";
  item.title = source;
  item.state = state;
  return item;
}

// A queue left by a run that ended in the middle: the next start offers to go on. Yes: the unfinished
// items wait again and run; No: they stay, stopped; the finished ones stay as they were either way.
class RestartTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::setSettingsFilePath(dir_.file("settings.ini"));
    app::setQueueJobsMaker([this] {
      auto jobs = std::make_unique<queue_test::FakeJobs>();
      jobs_ = jobs.get();
      return jobs;
    });
  }
  void TearDown() override {
    window_.reset();
    app::setQueueJobsMaker(nullptr);
    platform::setSettingsFilePath("");
  }
  void leaveQueue() {
    queue::QueueStore store;
    ASSERT_EQ(store.open(queue::queueDatabasePath()), "");
    const std::vector<queue::QueueItem> items = {
        storedItem(1, "http://127.0.0.1:9/page/done", ItemState::Done),
        storedItem(2, "http://127.0.0.1:9/page/running", ItemState::Downloading),
        storedItem(3, "http://127.0.0.1:9/page/waiting", ItemState::Waiting),
        storedItem(4, "http://127.0.0.1:9/page/stopped", ItemState::Stopped),
        storedItem(5, "http://127.0.0.1:9/page/failed", ItemState::Failed)};
    ASSERT_TRUE(store.addItems(items));
  }
  void open() {
    window_ = std::make_unique<app::MainWindow>();
    window_->show();
    testing_support::pumpEvents(50);
  }

  TempDir dir_;
  queue_test::FakeJobs* jobs_ = nullptr;
  std::unique_ptr<app::MainWindow> window_;
};

TEST_F(RestartTest, ContinueRunsTheUnfinishedAndNoLeavesThemStopped) {
  for (const bool yes : {false, true}) {
    SCOPED_TRACE(yes ? "yes" : "no");
    std::filesystem::remove(queue::queueDatabasePath());
    leaveQueue();
    ScriptedDialogs dialogs;
    dialogs.answer(yes ? platform::ModalResult::Yes : platform::ModalResult::No);
    open();
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_EQ(dialogs.shown()[0].text, "3 items were not finished. Continue?");
    EXPECT_EQ(dialogs.shown()[0].buttons, platform::DialogButtons::YesNo);
    ASSERT_TRUE(window_->hasQueueSession());
    queue::Queue& queue = window_->queueSession().queue();
    ASSERT_EQ(queue.items().size(), 5u) << "nothing deleted";
    EXPECT_TRUE(window_->queueSession().window()->isVisible());
    EXPECT_EQ(queue.items()[0].state, ItemState::Done);
    EXPECT_EQ(queue.items()[4].state, ItemState::Failed);
    if (yes) {
      ASSERT_TRUE(waitFor([&] { return jobs_->live().size() == 1; }, 5000));
      EXPECT_EQ(jobs_->live()[0]->input.source, "http://127.0.0.1:9/page/running");
      EXPECT_EQ(queue.items()[2].state, ItemState::Waiting);
    } else {
      testing_support::pumpEvents(50);
      EXPECT_TRUE(jobs_->records.empty());
      for (std::size_t k = 1; k <= 3; ++k) EXPECT_EQ(queue.items()[k].state, ItemState::Stopped) << k;
    }
    window_.reset();
  }
  // Without anything unfinished, nothing is asked.
  {
    ScriptedDialogs dialogs;
    std::filesystem::remove(queue::queueDatabasePath());
    queue::QueueStore store;
    ASSERT_EQ(store.open(queue::queueDatabasePath()), "");
    ASSERT_TRUE(store.addItems(std::vector<queue::QueueItem>{storedItem(1, "http://a/b", ItemState::Done)}));
    open();
    EXPECT_TRUE(dialogs.shown().empty());
  }
}

TEST_F(RestartTest, DamagedDatabaseIsMovedAsideAndToldOnce) {
  std::filesystem::create_directories(std::filesystem::path(queue::queueDatabasePath()).parent_path());
  std::ofstream(queue::queueDatabasePath()) << std::string(4096, 'x');
  {
    ScriptedDialogs dialogs;
    dialogs.answer(platform::ModalResult::Ok);
    open();
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_EQ(dialogs.shown()[0].icon, platform::DialogIcon::Warning);
    EXPECT_NE(dialogs.shown()[0].text.find("moved"), std::string::npos) << dialogs.shown()[0].text;
    window_.reset();
  }
  ScriptedDialogs dialogs;
  open();
  EXPECT_TRUE(dialogs.shown().empty()) << "told once";
}

// The word on the desktop when the queue ends: only while no window of the program is active.
TEST(QueueSessionTest, NotifiesWhenTheQueueEndsAwayFromTheWindow) {
  TempDir dir;
  platform::setSettingsFilePath(dir.file("settings.ini"));
  auto owned = std::make_unique<queue_test::FakeJobs>();
  queue_test::FakeJobs& jobs = *owned;
  {
    app::QueueSession session(std::move(owned));
    ASSERT_EQ(session.open(), "");
    bool active = true;
    session.setActiveCheck([&] { return active; });
    std::vector<download::JobInput> inputs(2);
    inputs[0].source = "http://a/1";
    inputs[1].source = "http://a/2";
    session.add(inputs);
    session.queue().setParallel(2);
    ASSERT_TRUE(waitFor([&] { return jobs.live().size() == 2; }, 5000));
    jobs.live()[0]->finish(outcome(JobOutcome::Status::Done));
    jobs.live()[0]->finish(outcome(JobOutcome::Status::Failed, JobOutcome::Cause::DownloadFailed, "cut"));
    ASSERT_TRUE(waitFor([&] { return !session.busy(); }, 5000));
    testing_support::pumpEvents(20);
    EXPECT_EQ(session.lastNotification(), "") << "the window was active";
    active = false;
    session.queue().retry(session.queue().items()[1].id);
    session.queue().start();
    ASSERT_TRUE(waitFor([&] { return jobs.live().size() == 1; }, 5000));
    jobs.live()[0]->finish(outcome(JobOutcome::Status::Done));
    ASSERT_TRUE(waitFor([&] { return !session.lastNotification().empty(); }, 5000));
    EXPECT_EQ(session.lastNotification(), "1 done");
  }
  platform::setSettingsFilePath("");
}

}  // namespace

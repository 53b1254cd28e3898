// The queue's rules with jobs the test drives by hand, over a real SQLite store in a temporary folder:
// each end of a job as the item's state, retry and remove in every state, how many run at once, stop,
// nothing done twice, a restart with items in every state, and thousands of addresses added in batches.
#include "FakeJobs.h"

#include "common/Settings.h"
#include "platform/Paths.h"
#include "queue/Queue.h"
#include "queue/QueueStore.h"
#include "support/TempDir.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>

#include <QTimer>

#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <utility>

namespace {

namespace fs = std::filesystem;
using download::JobOutcome;
using queue::ItemState;
using queue_test::FakeJobs;
using testing_support::pumpEvents;
using testing_support::TempDir;

constexpr const char* kMp3Args = "-ar 44100 -ab 128kbit/s -ac 2 ";

download::JobInput pageInput(const std::string& page, const std::string& folder,
                             const char* args = kMp3Args) {
  download::JobInput input;
  input.source = page;
  input.outputFolder = folder;
  input.targetExt = ".mp3";
  input.convertArgs = args;
  return input;
}

std::string page(int n) {
  return "http://www.youtube.com/watch?v=clip" + std::to_string(n);
}

// A queue over a store of its own and jobs driven by the test, with what its signals told.
struct QueueRig {
  explicit QueueRig(const std::string& folder) : out(folder) {
    EXPECT_EQ(store.open(dir.file("queue.sqlite")), "");
    queue = std::make_unique<queue::Queue>(jobs, store);
    QObject::connect(queue.get(), &queue::Queue::ended,
                     [this](int done, int failed) { endings.emplace_back(done, failed); });
  }
  // The ids of items added for pages first..last.
  std::vector<queue::ItemId> addPages(int first, int last) {
    std::vector<download::JobInput> inputs;
    for (int n = first; n <= last; ++n) inputs.push_back(pageInput(page(n), out));
    return queue->add(inputs);
  }
  ItemState state(queue::ItemId id) const { return queue->item(id)->state; }
  // The item as the store holds it now.
  queue::QueueItem stored(queue::ItemId id) {
    for (queue::QueueItem& item : store.loadItems()) {
      if (item.id == id) return item;
    }
    ADD_FAILURE() << "item " << id << " is not in the store";
    return {};
  }

  TempDir dir;
  std::string out;
  queue::QueueStore store;
  FakeJobs jobs;
  std::unique_ptr<queue::Queue> queue;
  std::vector<std::pair<int, int>> endings;
};

class QueueTest : public testing::Test {
 protected:
  TempDir out_;
};

TEST_F(QueueTest, EachEndOfAJobBecomesItsItemsStateAndARetryRunsItAgain) {
  const struct {
    const char* name;
    JobOutcome outcome;
    ItemState state;
    bool finishedListed;
    std::pair<int, int> ending;  // done, failed
  } rows[] = {
      {"done", JobOutcome::done({"/music/My clip.mp3"}), ItemState::Done, true, {1, 0}},
      {"failed",
       JobOutcome::failed(JobOutcome::Cause::DownloadFailed, "404 Not Found"),
       ItemState::Failed,
       false,
       {0, 1}},
      {"audio file kept",
       JobOutcome::failed(JobOutcome::Cause::OutputKept, "/music/My clip.mp3 has existed, kept it"),
       ItemState::Exists,
       false,
       {0, 0}},
      {"stopped", JobOutcome::stopped({"/music/My clip.flv.part"}), ItemState::Stopped, false, {0, 0}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    QueueRig rig(out_.path());
    const queue::ItemId id = rig.addPages(1, 1).front();
    EXPECT_EQ(rig.state(id), ItemState::Waiting);
    EXPECT_EQ(rig.queue->item(id)->title, page(1)) << "the address until the title is known";
    rig.queue->start();
    pumpEvents();
    ASSERT_EQ(rig.jobs.live().size(), 1u);
    download::JobListener& job = *rig.jobs.live()[0]->listener;
    EXPECT_EQ(rig.state(id), ItemState::Searching);
    job.downloading("My clip.flv");
    download::DownloadFigures figures;
    figures.received = 50;
    figures.total = 200;
    job.downloadProgress(figures);
    EXPECT_EQ(rig.state(id), ItemState::Downloading);
    EXPECT_EQ(rig.queue->item(id)->percent, 25);
    EXPECT_EQ(rig.queue->item(id)->title, "My clip");
    job.converting("My clip.mp3");
    job.conversionProgress({.percent = 40, .elapsed = {}, .estimated = {}});
    EXPECT_EQ(rig.state(id), ItemState::Converting);
    EXPECT_EQ(rig.queue->item(id)->percent, 40);
    EXPECT_EQ(rig.stored(id).state, ItemState::Converting) << "written as it changes";

    rig.jobs.live()[0]->finish(row.outcome);
    pumpEvents();
    const queue::QueueItem& item = *rig.queue->item(id);
    EXPECT_EQ(item.state, row.state);
    EXPECT_EQ(item.cause, row.outcome.cause);
    EXPECT_EQ(item.message, row.outcome.message);
    EXPECT_EQ(item.files, row.outcome.files);
    const queue::QueueItem stored = rig.stored(id);
    EXPECT_EQ(stored.state, row.state);
    EXPECT_EQ(stored.title, "My clip");
    EXPECT_EQ(stored.files, row.outcome.files);
    EXPECT_EQ(rig.store.finishedFile(page(1), "mp3-128").has_value(), row.finishedListed);
    EXPECT_EQ(rig.endings, (std::vector<std::pair<int, int>>{row.ending}));
    EXPECT_TRUE(rig.jobs.records[0]->destroyed);
    EXPECT_EQ(rig.queue->lastFinishedFolder(), row.state == ItemState::Done ? out_.path() : "");

    rig.queue->retry(id);
    EXPECT_EQ(rig.state(id), ItemState::Waiting);
    EXPECT_TRUE(rig.queue->item(id)->files.empty());
    pumpEvents();
    EXPECT_EQ(rig.jobs.records.size(), 2u) << "a retried item runs again, already done or not";
    EXPECT_EQ(rig.state(id), ItemState::Searching);
  }
}

TEST_F(QueueTest, RemoveTakesAnItemOutInEveryState) {
  for (const ItemState state : {ItemState::Waiting, ItemState::Searching, ItemState::Done}) {
    SCOPED_TRACE(std::string(queue::stateName(state)));
    QueueRig rig(out_.path());
    const std::vector<queue::ItemId> ids = rig.addPages(1, 3);
    rig.queue->start();
    pumpEvents();
    if (state == ItemState::Done) {
      rig.jobs.live()[0]->finish(JobOutcome::done({out_.file("a.mp3")}));
      pumpEvents();
    }
    const queue::ItemId removed = state == ItemState::Waiting ? ids[2] : ids[0];
    ASSERT_EQ(rig.state(removed), state);
    rig.queue->remove(removed);
    pumpEvents();
    EXPECT_EQ(rig.queue->item(removed), nullptr);
    EXPECT_EQ(rig.queue->items().size(), 2u);
    EXPECT_EQ(rig.store.loadItems().size(), 2u);
    if (state == ItemState::Searching) {
      EXPECT_TRUE(rig.jobs.records[0]->destroyed) << "a running item's job is ended";
      ASSERT_EQ(rig.jobs.live().size(), 1u);
      EXPECT_EQ(rig.jobs.live()[0]->input.source, page(2)) << "the next item takes its place";
    }
  }
}

TEST_F(QueueTest, RunsOneAtATimeOrAsManyAsAllowedInTheirOrder) {
  QueueRig rig(out_.path());
  rig.queue->setReplaceExisting(true);
  rig.addPages(1, 5);
  rig.queue->start();
  pumpEvents();
  ASSERT_EQ(rig.jobs.live().size(), 1u);
  EXPECT_EQ(rig.jobs.live()[0]->input.source, page(1));
  EXPECT_TRUE(rig.jobs.live()[0]->replaceExisting) << "the queue's choice reaches the job";

  rig.queue->setParallel(2);
  pumpEvents();
  ASSERT_EQ(rig.jobs.live().size(), 2u);
  EXPECT_EQ(rig.jobs.live()[1]->input.source, page(2));
  rig.jobs.live()[0]->finish(JobOutcome::failed(JobOutcome::Cause::NoStreamFound, "gone"));
  pumpEvents();
  ASSERT_EQ(rig.jobs.live().size(), 2u);
  EXPECT_EQ(rig.jobs.live()[1]->input.source, page(3));

  rig.queue->setParallel(9);
  EXPECT_EQ(rig.queue->parallel(), queue::Queue::kMaxParallel);
  pumpEvents();
  EXPECT_EQ(rig.jobs.live().size(), 3u);
  while (!rig.jobs.live().empty()) {
    rig.jobs.live()[0]->finish(JobOutcome::done({out_.file("x.mp3")}));
    pumpEvents();
  }
  EXPECT_EQ(rig.endings, (std::vector<std::pair<int, int>>{{4, 1}}));
  EXPECT_EQ(rig.jobs.records.size(), 5u);
}

TEST_F(QueueTest, StopEndsOneItemOrTheWholeQueue) {
  QueueRig rig(out_.path());
  const std::vector<queue::ItemId> ids = rig.addPages(1, 4);
  rig.queue->stop(ids[1]);  // a waiting item: stopped at once, never started
  EXPECT_EQ(rig.state(ids[1]), ItemState::Stopped);
  rig.queue->start();
  pumpEvents();
  rig.queue->stop(ids[0]);
  EXPECT_EQ(rig.jobs.records[0]->stops, 1);
  rig.jobs.records[0]->finish(JobOutcome::stopped({out_.file("clip.flv.part")}));
  pumpEvents();
  EXPECT_EQ(rig.state(ids[0]), ItemState::Stopped);
  EXPECT_EQ(rig.queue->item(ids[0])->files, std::vector<std::string>{out_.file("clip.flv.part")});
  ASSERT_EQ(rig.jobs.live().size(), 1u);
  EXPECT_EQ(rig.jobs.live()[0]->input.source, page(3)) << "the stopped waiting item is passed over";

  rig.queue->stopAll();
  EXPECT_FALSE(rig.queue->started());
  EXPECT_EQ(rig.jobs.records[1]->stops, 1);
  EXPECT_EQ(rig.state(ids[3]), ItemState::Stopped);
  EXPECT_EQ(rig.stored(ids[3]).state, ItemState::Stopped);
  rig.jobs.records[1]->finish(JobOutcome::stopped({}));
  pumpEvents();
  EXPECT_EQ(rig.jobs.records.size(), 2u) << "nothing starts after Stop";
  EXPECT_TRUE(rig.endings.empty()) << "a queue the user stopped sends no word";
  EXPECT_EQ(rig.queue->unfinishedCount(), 4);
}

TEST_F(QueueTest, NothingIsDoneTwiceWhileItsAudioFileIsThere) {
  QueueRig rig(out_.path());
  const std::string audio = out_.write("clip.mp3", "audio");
  // The same page twice: the second waits until the first has made its file, then is passed over.
  const std::vector<queue::ItemId> first = rig.addPages(1, 1);
  const std::vector<queue::ItemId> twin = rig.addPages(1, 1);
  rig.queue->start();
  pumpEvents();
  rig.jobs.live()[0]->finish(JobOutcome::done({audio}));
  pumpEvents();
  EXPECT_EQ(rig.state(first[0]), ItemState::Done);
  EXPECT_EQ(rig.state(twin[0]), ItemState::AlreadyDone);
  EXPECT_EQ(rig.queue->item(twin[0])->files, std::vector<std::string>{audio});
  EXPECT_EQ(rig.jobs.records.size(), 1u);

  const struct {
    const char* name;
    download::JobInput input;
    bool fileThere;
    ItemState state;
  } rows[] = {
      {"same page and format", pageInput(page(1), out_.path()), true, ItemState::AlreadyDone},
      {"another format", pageInput(page(1), out_.path(), "-ar 44100 -ab 64kbit/s -ac 1 "), true,
       ItemState::Waiting},
      {"another page", pageInput(page(2), out_.path()), true, ItemState::Waiting},
      {"its file deleted", pageInput(page(1), out_.path()), false, ItemState::Waiting},
  };
  rig.queue->stopAll();
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    if (!row.fileThere) fs::remove(audio);
    const queue::ItemId id = rig.queue->add({row.input}).front();
    EXPECT_EQ(rig.state(id), row.state);
    EXPECT_EQ(rig.stored(id).state, row.state);
  }
}

TEST_F(QueueTest, ARestartFindsEveryItemAsItWasAndRunningOnesStopped) {
  const std::pair<ItemState, ItemState> rows[] = {
      {ItemState::Waiting, ItemState::Waiting},
      {ItemState::Searching, ItemState::Stopped},
      {ItemState::Downloading, ItemState::Stopped},
      {ItemState::Converting, ItemState::Stopped},
      {ItemState::Done, ItemState::Done},
      {ItemState::Failed, ItemState::Failed},
      {ItemState::Stopped, ItemState::Stopped},
      {ItemState::Exists, ItemState::Exists},
      {ItemState::AlreadyDone, ItemState::AlreadyDone},
  };
  for (const bool goOn : {true, false}) {
    SCOPED_TRACE(goOn ? "continue" : "leave them");
    TempDir dir;
    std::vector<queue::QueueItem> items;
    for (const auto& [before, after] : rows) {
      queue::QueueItem item;
      item.id = static_cast<queue::ItemId>(items.size()) + 1;
      item.input = pageInput(page(static_cast<int>(item.id)), out_.path());
      item.input.trackNumber = static_cast<int>(item.id);
      item.title = "Title " + std::to_string(item.id);
      item.state = before;
      items.push_back(item);
    }
    {
      queue::QueueStore store;
      ASSERT_EQ(store.open(dir.file("queue.sqlite")), "");
      ASSERT_TRUE(store.addItems(items));
    }
    queue::QueueStore store;
    ASSERT_EQ(store.open(dir.file("queue.sqlite")), "");
    FakeJobs jobs;
    queue::Queue queue(jobs, store);
    EXPECT_EQ(queue.load(), 5) << "one waiting, three that were running, one stopped";
    ASSERT_EQ(queue.items().size(), std::size(rows));
    for (std::size_t i = 0; i < std::size(rows); ++i) {
      SCOPED_TRACE(std::string(queue::stateName(rows[i].first)));
      EXPECT_EQ(queue.items()[i].state, rows[i].second);
      EXPECT_EQ(queue.items()[i].title, items[i].title);
      EXPECT_EQ(queue.items()[i].input.trackNumber, items[i].input.trackNumber);
    }
    pumpEvents();
    EXPECT_TRUE(jobs.records.empty()) << "nothing starts before the user says so";
    if (goOn) {
      queue.continueUnfinished();
      queue.setParallel(3);
      pumpEvents();
      ASSERT_EQ(jobs.live().size(), 3u);
      EXPECT_EQ(jobs.live()[0]->input.source, page(1));
      EXPECT_EQ(jobs.live()[1]->input.source, page(2));
    } else {
      queue.leaveUnfinished();
      EXPECT_EQ(queue.items()[0].state, ItemState::Stopped);
      EXPECT_EQ(queue.unfinishedCount(), 5) << "left as stopped, nothing deleted";
      EXPECT_EQ(store.loadItems().size(), std::size(rows));
    }
    // New items come after the old ones.
    EXPECT_GT(queue.add({pageInput(page(99), out_.path())}).front(), items.back().id);
  }
}

TEST_F(QueueTest, TenThousandAddressesAreAddedInBatchesWhileTheEventLoopRuns) {
  QueueRig rig(out_.path());
  std::vector<download::JobInput> inputs;
  for (int n = 1; n <= 10'000; ++n) inputs.push_back(pageInput(page(n), out_.path()));
  std::vector<int> progress;
  int ticks = 0;
  std::vector<int> ticksAtBatch;
  std::optional<int> ended;
  QTimer paint;  // stands for the window's painting: it must run between the batches
  QObject::connect(&paint, &QTimer::timeout, [&] { ++ticks; });
  paint.start(0);
  QObject::connect(rig.queue.get(), &queue::Queue::addProgress, [&](int added, int total) {
    EXPECT_EQ(total, 10'000);
    progress.push_back(added);
    ticksAtBatch.push_back(ticks);
    if (progress.size() == 3) rig.queue->stopAll();  // Stop, pressed while the addresses are added
  });
  QObject::connect(rig.queue.get(), &queue::Queue::addEnded, [&](int added) { ended = added; });
  rig.queue->start();
  rig.queue->addLater(std::move(inputs));
  EXPECT_TRUE(rig.queue->adding());
  EXPECT_TRUE(rig.queue->items().empty()) << "nothing is added inside the call";
  ASSERT_TRUE(testing_support::waitFor([&] { return ended.has_value(); }, 60000));
  EXPECT_EQ(*ended, 10'000);
  ASSERT_EQ(progress.size(), 10'000 / queue::Queue::kBatchSize);
  EXPECT_EQ(progress.back(), 10'000);
  for (std::size_t i = 1; i < ticksAtBatch.size(); ++i) {
    EXPECT_GT(ticksAtBatch[i], ticksAtBatch[i - 1]) << "the event loop ran between batches " << i;
  }
  EXPECT_FALSE(rig.queue->started());
  ASSERT_EQ(rig.jobs.records.size(), 1u);
  EXPECT_EQ(rig.jobs.records[0]->stops, 1) << "Stop was answered during the adding";
  EXPECT_EQ(rig.queue->items().size(), 10'000u);
  EXPECT_EQ(rig.store.loadItems().size(), 10'000u);
  EXPECT_EQ(rig.queue->items()[5'000].state, ItemState::Waiting) << "added after Stop: waiting";
}

TEST(QueueSummaryTest, SaysHowManyEndedWellAndHowManyFailed) {
  EXPECT_EQ(queue::summaryText(12, 1), "12 done, 1 failed");
  EXPECT_EQ(queue::summaryText(1, 0), "1 done");
  EXPECT_EQ(queue::summaryText(0, 3), "0 done, 3 failed");
}

}  // namespace

namespace {

TEST(QueueSettingsTest, ReadsTheQueuesKeysWithinTheirBoundsAndKeepsTheWindows) {
  TempDir dir;
  platform::setSettingsFilePath(dir.file("settings.ini"));
  const struct {
    const char* text;
    int parallel;
    bool replace;
  } rows[] = {
      {"", 1, false},
      {"[Options]\nQueueParallel=2\nQueueReplace=1\n", 2, true},
      {"[Options]\nQueueParallel=7\nQueueReplace=0\n", 3, false},
      {"[Options]\nQueueParallel=0\n", 1, false},
      {"[Options]\nQueueParallel=two\n", 1, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    dir.write("settings.ini", row.text);
    const common::QueueSettings settings = common::readQueueSettings();
    EXPECT_EQ(settings.parallel, row.parallel);
    EXPECT_EQ(settings.replaceExisting, row.replace);
  }
  dir.write("settings.ini", "[Options]\nOutputDirectory=/music\nConvertFormat=3\n");
  ASSERT_TRUE(common::writeQueueSettings({.parallel = 3, .replaceExisting = true}));
  EXPECT_EQ(common::readSettings().outputFolder, "/music");
  EXPECT_EQ(common::readSettings().formatIndex, 3);
  EXPECT_EQ(common::readQueueSettings().parallel, 3);
  EXPECT_TRUE(common::readQueueSettings().replaceExisting);
  platform::setSettingsFilePath({});
}

}  // namespace

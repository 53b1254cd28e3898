// The queue: items that run one after another (or up to three at once), each as a job of its own, with
// their states kept in the queue's store as they change. No widgets: the queue window and the command line
// drive it through the operations below and follow it through its signals.
//
// The rules:
// - Items run in the order they were added, as many at once as setParallel() allows (1 to 3), while the
//   queue is started; each running item has a conversion object of its own (made by the job factory).
// - A job of the queue never asks: an existing audio file is kept (the item ends as Exists) or replaced as
//   setReplaceExisting() says.
// - Nothing is done twice: an item whose source and format are in the finished list, with the audio file
//   still there, becomes AlreadyDone, when added and again before it would start, unless it was retried.
// - Items that were running when the program ended come back from the store as Stopped; what they had
//   downloaded stays in its part file, which the next download of the same video continues.
#pragma once

#include "download/JobInput.h"
#include "download/JobListener.h"
#include "queue/QueueItem.h"

#include <QObject>

#include <cstddef>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace queue {

class QueueStore;

// One item's job, as the queue sees it: started once, stopped at most once; it tells its progress and its
// one end through the listener it was made with, never from inside start() or stop().
class QueueJob {
 public:
  virtual ~QueueJob() = default;  // a job still running is ended without an outcome
  virtual void start() = 0;
  virtual void stop() = 0;
};

// Makes the queue's jobs: the program's own (StandardQueueJobs) or a test's.
class QueueJobFactory {
 public:
  virtual ~QueueJobFactory() = default;
  // A job for `input` that replaces an existing audio file when `replaceExisting`, else keeps it; `listener`
  // outlives the job.
  virtual std::unique_ptr<QueueJob> create(const download::JobInput& input, bool replaceExisting,
                                           download::JobListener& listener) = 0;
};

// The text of the word sent when the queue has ended: "12 done, 1 failed"; "1 done" alone when nothing
// failed.
std::string summaryText(int done, int failed);

class Queue final : public QObject {
  Q_OBJECT

 public:
  static constexpr int kMaxParallel = 3;
  static constexpr std::size_t kBatchSize = 500;  // items added per turn of the event loop, one transaction

  // `jobs` and `store` (open) outlive the queue.
  Queue(QueueJobFactory& jobs, QueueStore& store, QObject* parent = nullptr);
  ~Queue() override;  // running jobs are ended; their items are kept as Stopped

  // Reads the items the store holds (after a restart). Items that were running come back as Stopped.
  // Returns how many items are unfinished (waiting or stopped): the count of "N items were not finished.
  // Continue?".
  int load();
  // The answers to that question: continue (every unfinished item waits again, and the queue starts), or
  // leave them as stopped.
  void continueUnfinished();
  void leaveUnfinished();

  // Adds the inputs at the end of the queue at once, in one transaction; returns their ids. Items start at
  // once while the queue is started.
  std::vector<ItemId> add(const std::vector<download::JobInput>& inputs);
  // Adds the inputs from the event loop, kBatchSize per turn, one transaction each, so that the window keeps
  // painting and answering while thousands are added; addProgress follows each batch, addEnded the last.
  // Inputs given while an add is going are added after it.
  void addLater(std::vector<download::JobInput> inputs);
  bool adding() const { return !pending_.empty(); }
  // Drops the inputs not added yet.
  void cancelAdding();

  // Starts the queue: waiting items run, as many at once as allowed.
  void start();
  // Stops one item: a running one ends as Stopped (keeping what it downloaded), a waiting one is Stopped
  // at once.
  void stop(ItemId id);
  // Stops the queue: nothing more starts, running and waiting items become Stopped.
  void stopAll();
  // Puts an ended or stopped item back in the queue, waiting, without looking at the finished list.
  void retry(ItemId id);
  // Takes an item out of the queue (and the store), ending its job when it runs.
  void remove(ItemId id);

  void setParallel(int count);  // 1 to kMaxParallel
  int parallel() const { return parallel_; }
  void setReplaceExisting(bool replace) { replaceExisting_ = replace; }
  bool replaceExisting() const { return replaceExisting_; }

  bool started() const { return started_; }
  const std::vector<QueueItem>& items() const { return items_; }
  const QueueItem* item(ItemId id) const;
  int runningCount() const { return static_cast<int>(running_.size()); }
  int unfinishedCount() const;
  // The output folder of the item that finished last (done), for "Open folder"; empty before any.
  const std::string& lastFinishedFolder() const { return lastFinishedFolder_; }

 signals:
  void itemsAdded(qint64 firstId, int count);
  void itemChanged(qint64 id);
  void itemRemoved(qint64 id);
  void addProgress(int added, int total);
  void addEnded(int added);
  // The queue has run out of work while started: nothing runs, nothing waits. `done` and `failed` count
  // the items that ended so since the queue last ended.
  void ended(int done, int failed);
  // The store could not be written; the queue goes on in memory.
  void storeFailed(const QString& message);

 private:
  class ItemListener;
  struct Running;

  QueueItem* find(ItemId id);
  std::size_t indexOf(ItemId id) const;
  bool alreadyDone(const QueueItem& item);
  void startNext();
  void scheduleNext();
  void startItem(QueueItem& item);
  void onStage(ItemId id, ItemState state, int percent);
  void onTitle(ItemId id, const std::string& fileName);
  void onFinished(ItemId id, const download::JobOutcome& outcome);
  void retire(ItemId id);
  void save(const QueueItem& item);
  void checkStore(bool written);
  std::vector<QueueItem> setStateOfAll(ItemState from, ItemState to);
  void addBatch();

  QueueJobFactory& jobs_;
  QueueStore& store_;
  std::vector<QueueItem> items_;  // in the order added, which is the order of their ids
  std::map<ItemId, std::unique_ptr<Running>> running_;
  std::vector<std::unique_ptr<Running>> retired_;  // ended jobs, destroyed from the event loop
  std::deque<download::JobInput> pending_;         // inputs of addLater not added yet
  int pendingTotal_ = 0;
  int pendingAdded_ = 0;
  ItemId nextId_ = 1;
  std::size_t firstWaiting_ = 0;  // no item before this index waits
  int parallel_ = 1;
  bool replaceExisting_ = false;
  bool started_ = false;
  bool nextScheduled_ = false;
  bool addScheduled_ = false;
  int endedDone_ = 0;
  int endedFailed_ = 0;
  int endedOther_ = 0;
  std::string lastFinishedFolder_;
};

}  // namespace queue

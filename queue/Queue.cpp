#include "queue/Queue.h"

#include "common/Text.h"
#include "platform/Paths.h"
#include "queue/QueueStore.h"
#include "resources/Translations.h"

#include <QTimer>

#include <algorithm>
#include <filesystem>

namespace queue {

using download::JobOutcome;

std::string summaryText(int done, int failed) {
  if (failed == 0) return common::fillIn(resources::translate("Queue", "%1 done"), {std::to_string(done)});
  return common::fillIn(resources::translate("Queue", "%1 done, %2 failed"),
                        {std::to_string(done), std::to_string(failed)});
}

// Tells the queue what one item's job reports, until the item is taken out of the queue.
class Queue::ItemListener final : public download::JobListener {
 public:
  ItemListener(Queue& queue, ItemId id) : queue_(queue), id_(id) {}

  void searching(const std::string&) override {
    if (active) queue_.onStage(id_, ItemState::Searching, 0);
  }
  void downloading(const std::string& videoFile) override {
    if (!active) return;
    queue_.onTitle(id_, videoFile);
    queue_.onStage(id_, ItemState::Downloading, 0);
  }
  void downloadProgress(const download::DownloadFigures& figures) override {
    if (!active) return;
    const int percent = figures.total > 0 ? static_cast<int>(figures.received * 100 / figures.total) : 0;
    queue_.onStage(id_, ItemState::Downloading, percent);
  }
  void converting(const std::string& audioFile) override {
    if (!active) return;
    queue_.onTitle(id_, audioFile);
    queue_.onStage(id_, ItemState::Converting, 0);
  }
  void conversionProgress(const download::ConversionFigures& figures) override {
    if (active) queue_.onStage(id_, ItemState::Converting, figures.percent);
  }
  void finished(const JobOutcome& outcome) override {
    if (active) queue_.onFinished(id_, outcome);
  }

  bool active = true;

 private:
  Queue& queue_;
  ItemId id_;
};

struct Queue::Running {
  Running(Queue& queue, ItemId id) : listener(queue, id) {}
  ItemListener listener;
  std::unique_ptr<QueueJob> job;  // goes before its listener
};

Queue::Queue(QueueJobFactory& jobs, QueueStore& store, QObject* parent)
    : QObject(parent), jobs_(jobs), store_(store) {}

Queue::~Queue() {
  std::vector<QueueItem> stopped;
  for (auto& [id, running] : running_) {
    running->listener.active = false;
    running->job.reset();
    if (QueueItem* item = find(id)) {
      item->state = ItemState::Stopped;
      item->percent = 0;
      stopped.push_back(*item);
    }
  }
  running_.clear();
  retired_.clear();
  if (!stopped.empty()) store_.updateItems(stopped);
}

int Queue::load() {
  items_ = store_.loadItems();
  std::vector<QueueItem> changed;
  for (QueueItem& item : items_) {
    if (!isRunning(item.state)) continue;
    item.state = ItemState::Stopped;
    item.percent = 0;
    changed.push_back(item);
  }
  if (!changed.empty()) checkStore(store_.updateItems(changed));
  nextId_ = std::max(store_.largestId(), items_.empty() ? ItemId{0} : items_.back().id) + 1;
  firstWaiting_ = 0;
  if (!items_.empty()) emit itemsAdded(items_.front().id, static_cast<int>(items_.size()));
  return unfinishedCount();
}

// Every item in state `from` is put in state `to` and saved; the items changed are given for their signals.
std::vector<QueueItem> Queue::setStateOfAll(ItemState from, ItemState to) {
  std::vector<QueueItem> changed;
  for (QueueItem& item : items_) {
    if (item.state != from) continue;
    item.state = to;
    changed.push_back(item);
  }
  if (!changed.empty()) checkStore(store_.updateItems(changed));
  return changed;
}

void Queue::continueUnfinished() {
  const std::vector<QueueItem> changed = setStateOfAll(ItemState::Stopped, ItemState::Waiting);
  firstWaiting_ = 0;
  for (const QueueItem& item : changed) emit itemChanged(item.id);
  start();
}

void Queue::leaveUnfinished() {
  const std::vector<QueueItem> changed = setStateOfAll(ItemState::Waiting, ItemState::Stopped);
  for (const QueueItem& item : changed) emit itemChanged(item.id);
}

std::vector<ItemId> Queue::add(const std::vector<download::JobInput>& inputs) {
  std::vector<ItemId> ids;
  if (inputs.empty()) return ids;
  std::vector<QueueItem> added;
  added.reserve(inputs.size());
  for (const download::JobInput& input : inputs) {
    QueueItem item;
    item.id = nextId_++;
    item.input = input;
    item.title = input.source;
    if (alreadyDone(item)) item.state = ItemState::AlreadyDone;
    ids.push_back(item.id);
    added.push_back(std::move(item));
  }
  checkStore(store_.addItems(added));
  items_.insert(items_.end(), std::make_move_iterator(added.begin()), std::make_move_iterator(added.end()));
  emit itemsAdded(ids.front(), static_cast<int>(ids.size()));
  scheduleNext();
  return ids;
}

void Queue::addLater(std::vector<download::JobInput> inputs) {
  pendingTotal_ += static_cast<int>(inputs.size());
  pending_.insert(pending_.end(), std::make_move_iterator(inputs.begin()),
                  std::make_move_iterator(inputs.end()));
  if (addScheduled_ || pending_.empty()) return;
  addScheduled_ = true;
  QTimer::singleShot(0, this, &Queue::addBatch);
}

void Queue::addBatch() {
  addScheduled_ = false;
  if (pending_.empty()) return;
  const std::size_t count = std::min(kBatchSize, pending_.size());
  std::vector<download::JobInput> batch(std::make_move_iterator(pending_.begin()),
                                        std::make_move_iterator(pending_.begin() + static_cast<long>(count)));
  pending_.erase(pending_.begin(), pending_.begin() + static_cast<long>(count));
  add(batch);
  pendingAdded_ += static_cast<int>(count);
  emit addProgress(pendingAdded_, pendingTotal_);
  if (!pending_.empty()) {
    addScheduled_ = true;
    QTimer::singleShot(0, this, &Queue::addBatch);
    return;
  }
  const int added = pendingAdded_;
  pendingAdded_ = pendingTotal_ = 0;
  emit addEnded(added);
  scheduleNext();  // the queue may have run out of work meanwhile
}

void Queue::cancelAdding() {
  if (pending_.empty()) return;
  pending_.clear();
  const int added = pendingAdded_;
  pendingAdded_ = pendingTotal_ = 0;
  emit addEnded(added);
  scheduleNext();
}

void Queue::start() {
  started_ = true;
  scheduleNext();
}

void Queue::stop(ItemId id) {
  if (auto running = running_.find(id); running != running_.end()) {
    running->second->job->stop();  // the job tells its end, Stopped, from the event loop
    return;
  }
  QueueItem* item = find(id);
  if (item == nullptr || item->state != ItemState::Waiting) return;
  item->state = ItemState::Stopped;
  save(*item);
  emit itemChanged(id);
}

void Queue::stopAll() {
  started_ = false;
  std::vector<QueueItem> changed;
  for (QueueItem& item : items_) {
    if (item.state != ItemState::Waiting) continue;
    item.state = ItemState::Stopped;
    changed.push_back(item);
  }
  if (!changed.empty()) checkStore(store_.updateItems(changed));
  for (const QueueItem& item : changed) emit itemChanged(item.id);
  std::vector<QueueJob*> jobs;
  for (auto& [id, running] : running_) jobs.push_back(running->job.get());
  for (QueueJob* job : jobs) job->stop();
}

void Queue::retry(ItemId id) {
  if (running_.contains(id)) return;
  QueueItem* item = find(id);
  if (item == nullptr || item->state == ItemState::Waiting) return;
  item->state = ItemState::Waiting;
  item->retried = true;
  item->percent = 0;
  item->cause = JobOutcome::Cause::None;
  item->message.clear();
  item->files.clear();
  firstWaiting_ = std::min(firstWaiting_, indexOf(id));
  save(*item);
  emit itemChanged(id);
  scheduleNext();
}

void Queue::remove(ItemId id) {
  const std::size_t index = indexOf(id);
  if (index == items_.size()) return;
  retire(id);
  items_.erase(items_.begin() + static_cast<long>(index));
  if (index < firstWaiting_) --firstWaiting_;
  checkStore(store_.removeItem(id));
  emit itemRemoved(id);
  scheduleNext();
}

void Queue::setParallel(int count) {
  parallel_ = std::clamp(count, 1, kMaxParallel);
  scheduleNext();
}

const QueueItem* Queue::item(ItemId id) const {
  const std::size_t index = indexOf(id);
  return index == items_.size() ? nullptr : &items_[index];
}

QueueItem* Queue::find(ItemId id) {
  const std::size_t index = indexOf(id);
  return index == items_.size() ? nullptr : &items_[index];
}

// The items are in the order of their ids.
std::size_t Queue::indexOf(ItemId id) const {
  const auto at = std::lower_bound(items_.begin(), items_.end(), id,
                                   [](const QueueItem& item, ItemId wanted) { return item.id < wanted; });
  if (at == items_.end() || at->id != id) return items_.size();
  return static_cast<std::size_t>(at - items_.begin());
}

int Queue::unfinishedCount() const {
  return static_cast<int>(std::count_if(items_.begin(), items_.end(),
                                        [](const QueueItem& item) { return isUnfinished(item.state); }));
}

bool Queue::alreadyDone(const QueueItem& item) {
  const std::optional<std::string> file = store_.finishedFile(item.input.source, formatKey(item.input));
  return file && platform::fileExists(*file);
}

// Starting and ending items happen from the event loop, never inside a job's call or the caller's.
void Queue::scheduleNext() {
  if (nextScheduled_) return;
  nextScheduled_ = true;
  QTimer::singleShot(0, this, &Queue::startNext);
}

void Queue::startNext() {
  nextScheduled_ = false;
  retired_.clear();
  if (!started_) return;
  while (static_cast<int>(running_.size()) < parallel_) {
    while (firstWaiting_ < items_.size() && items_[firstWaiting_].state != ItemState::Waiting)
      ++firstWaiting_;
    if (firstWaiting_ == items_.size()) break;
    QueueItem& item = items_[firstWaiting_];
    if (!item.retried && alreadyDone(item)) {
      item.state = ItemState::AlreadyDone;
      item.files = {*store_.finishedFile(item.input.source, formatKey(item.input))};
      ++endedOther_;
      save(item);
      emit itemChanged(item.id);
      continue;
    }
    startItem(item);
  }
  if (!running_.empty() || !pending_.empty() || firstWaiting_ < items_.size()) return;
  if (endedDone_ + endedFailed_ + endedOther_ == 0) return;
  const int done = endedDone_, failed = endedFailed_;
  endedDone_ = endedFailed_ = endedOther_ = 0;
  emit ended(done, failed);
}

void Queue::startItem(QueueItem& item) {
  const ItemId id = item.id;
  item.state = item.input.mode == download::RequestMode::ConvertLocalFile ? ItemState::Converting
                                                                          : ItemState::Searching;
  item.percent = 0;
  auto running = std::make_unique<Running>(*this, id);
  running->job = jobs_.create(item.input, replaceExisting_, running->listener);
  QueueJob& job = *running->job;
  running_.emplace(id, std::move(running));
  save(item);
  emit itemChanged(id);
  if (running_.contains(id)) job.start();
}

void Queue::onStage(ItemId id, ItemState state, int percent) {
  QueueItem* item = find(id);
  if (item == nullptr) return;
  percent = std::clamp(percent, 0, 100);
  if (item->state == state && item->percent == percent) return;
  const bool stateChanged = item->state != state;
  item->state = state;
  item->percent = percent;
  if (stateChanged) save(*item);  // the percentage is not worth a write
  emit itemChanged(id);
}

// The item's title is its address until the job names the video's file, which is made from its title.
void Queue::onTitle(ItemId id, const std::string& fileName) {
  QueueItem* item = find(id);
  if (item == nullptr || item->title != item->input.source) return;
  const std::string title = std::filesystem::path(fileName).stem().string();
  if (!title.empty()) item->title = title;
}

void Queue::onFinished(ItemId id, const JobOutcome& outcome) {
  retire(id);
  QueueItem* item = find(id);
  if (item == nullptr) return;
  item->percent = 0;
  item->cause = outcome.cause;
  item->message = outcome.message;
  item->files = outcome.files;
  switch (outcome.status) {
    case JobOutcome::Status::Done:
      item->state = ItemState::Done;
      item->percent = 100;
      if (!outcome.files.empty()) {
        checkStore(store_.recordFinished(item->input.source, formatKey(item->input), outcome.files.back()));
      }
      lastFinishedFolder_ = item->input.outputFolder;
      ++endedDone_;
      break;
    case JobOutcome::Status::Failed:
      if (outcome.cause == JobOutcome::Cause::OutputKept) {
        item->state = ItemState::Exists;
        ++endedOther_;
      } else {
        item->state = ItemState::Failed;
        ++endedFailed_;
      }
      break;
    case JobOutcome::Status::Stopped:
      item->state = ItemState::Stopped;
      ++endedOther_;
      break;
  }
  save(*item);
  emit itemChanged(id);
  scheduleNext();
}

// The item's job no longer reports, and goes from the event loop (never inside its own call).
void Queue::retire(ItemId id) {
  auto running = running_.find(id);
  if (running == running_.end()) return;
  running->second->listener.active = false;
  retired_.push_back(std::move(running->second));
  running_.erase(running);
  scheduleNext();
}

void Queue::save(const QueueItem& item) {
  checkStore(store_.updateItem(item));
}

void Queue::checkStore(bool written) {
  if (!written) emit storeFailed(QString::fromStdString(store_.lastError()));
}

}  // namespace queue

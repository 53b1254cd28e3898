#include "app/QueueSession.h"

#include "app/QueueWindow.h"
#include "common/Settings.h"
#include "platform/DesktopNotification.h"
#include "platform/Shell.h"
#include "queue/Queue.h"
#include "queue/QueueStore.h"
#include "queue/StandardQueueJobs.h"

#include <QApplication>

namespace app {
namespace {

QueueJobsMaker& jobsMaker() {
  static QueueJobsMaker maker;
  return maker;
}

std::unique_ptr<queue::QueueJobFactory> makeJobs() {
  if (jobsMaker()) return jobsMaker()();
  return std::make_unique<queue::StandardQueueJobs>();
}

}  // namespace

void setQueueJobsMaker(QueueJobsMaker maker) {
  jobsMaker() = std::move(maker);
}

QueueSession::QueueSession(std::unique_ptr<queue::QueueJobFactory> jobs, QObject* parent)
    : QObject(parent),
      jobs_(jobs ? std::move(jobs) : makeJobs()),
      store_(std::make_unique<queue::QueueStore>()),
      isActive_([] { return QApplication::activeWindow() != nullptr; }) {}

QueueSession::~QueueSession() {
  window_.reset();
  queue_.reset();  // running jobs end; their items are kept as stopped
}

std::string QueueSession::open() {
  std::string message = store_->open(queue::queueDatabasePath());
  queue_ = std::make_unique<queue::Queue>(*jobs_, *store_);
  const common::QueueSettings settings = common::readQueueSettings();
  queue_->setParallel(settings.parallel);
  queue_->setReplaceExisting(settings.replaceExisting);
  unfinished_ = queue_->load();
  notifier_ = std::make_unique<platform::DesktopNotifier>(
      [](const std::string& folder) { platform::openFolder(folder); });
  connect(queue_.get(), &queue::Queue::ended, this, [this](int done, int failed) { onEnded(done, failed); });
  return message;
}

void QueueSession::add(std::vector<download::JobInput> inputs) {
  if (inputs.empty()) return;
  showWindow();
  if (inputs.size() > queue::Queue::kBatchSize) {
    queue_->addLater(std::move(inputs));
  } else {
    queue_->add(inputs);
  }
  queue_->start();
}

void QueueSession::showWindow() {
  if (!window_) window_ = std::make_unique<QueueWindow>(*queue_);
  window_->show();
  window_->raise();
  window_->activateWindow();
}

bool QueueSession::busy() const {
  if (queue_->adding() || queue_->runningCount() > 0) return true;
  for (const queue::QueueItem& item : queue_->items()) {
    if (item.state == queue::ItemState::Waiting) return true;
  }
  return false;
}

void QueueSession::onEnded(int done, int failed) {
  // Someone at the window sees the end in the queue window; a word on the desktop is for who is away.
  if (isActive_ && isActive_()) return;
  lastNotification_ = queue::summaryText(done, failed);
  notifier_->notify(lastNotification_, queue_->lastFinishedFolder());
}

}  // namespace app

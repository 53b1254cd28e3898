// The window's queue: its SQLite store, the real jobs, the queue itself, its window and the desktop
// notification, made when the queue is first needed (at the start when the store holds items, else at the
// first item queued or when "Queue..." is chosen). The main window hands it items; it never opens a box for
// an item. What must be told to the user at the start (a database moved aside, items not finished) is asked
// of the owner (the main window), which shows it.
#pragma once

#include "download/JobInput.h"

#include <QObject>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform {
class DesktopNotifier;
}
namespace queue {
class Queue;
class QueueJobFactory;
class QueueStore;
}  // namespace queue

namespace app {

class QueueWindow;

// Makes the factory of the queue's jobs for the sessions made after it is set (tests); an empty function
// goes back to the program's own jobs.
using QueueJobsMaker = std::function<std::unique_ptr<queue::QueueJobFactory>()>;
void setQueueJobsMaker(QueueJobsMaker maker);

class QueueSession final : public QObject {
 public:
  // `jobs`: the factory of the items' jobs; null for the one setQueueJobsMaker gives, else the program's own.
  explicit QueueSession(std::unique_ptr<queue::QueueJobFactory> jobs = nullptr, QObject* parent = nullptr);
  ~QueueSession() override;

  // Opens the store at queueDatabasePath() and reads its items. Returns what the user should be told about
  // the store, empty when nothing.
  std::string open();
  // How many items the store held unfinished (for "N items were not finished. Continue?").
  int unfinished() const { return unfinished_; }

  // Adds the inputs (in batches when there are many), starts the queue and shows the window.
  void add(std::vector<download::JobInput> inputs);
  void showWindow();

  queue::Queue& queue() { return *queue_; }
  QueueWindow* window() { return window_.get(); }  // null until shown once
  // True while the queue has items that are not finished (running, waiting or stopped) or is still adding.
  bool busy() const;

  // Whether the program's windows are active: a notification is sent when the queue ends only while they
  // are not (tests replace the check).
  void setActiveCheck(std::function<bool()> isActive) { isActive_ = std::move(isActive); }
  platform::DesktopNotifier* notifier() { return notifier_.get(); }
  // The body of the last notification sent (tests); empty before any.
  const std::string& lastNotification() const { return lastNotification_; }

 private:
  void onEnded(int done, int failed);

  std::unique_ptr<queue::QueueJobFactory> jobs_;
  std::unique_ptr<queue::QueueStore> store_;
  std::unique_ptr<queue::Queue> queue_;
  std::unique_ptr<QueueWindow> window_;
  std::unique_ptr<platform::DesktopNotifier> notifier_;
  std::function<bool()> isActive_;
  int unfinished_ = 0;
  std::string lastNotification_;
};

}  // namespace app

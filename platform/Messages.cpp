#include "Messages.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEvent>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <mutex>
#include <unordered_map>

namespace platform {
namespace {

const QEvent::Type kMessageEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

class MessageEvent final : public QEvent {
 public:
  explicit MessageEvent(Message m) : QEvent(kMessageEvent), message(std::move(m)) {}
  Message message;
};

// Handle -> target. Posting and unregistering hold the same lock, so a target cannot be destroyed
// between the look-up and the post; once unregistered, Qt drops the target's queued events.
struct Registry {
  std::mutex lock;
  std::unordered_map<TargetHandle, MessageTarget*> targets;
  std::atomic<TargetHandle> next{1};
};

Registry& registry() {
  static Registry r;
  return r;
}

}  // namespace

MessageTarget::MessageTarget() : handle_(registry().next.fetch_add(1)) {
  std::lock_guard<std::mutex> guard(registry().lock);
  registry().targets.emplace(handle_, this);
}

MessageTarget::~MessageTarget() {
  {
    std::lock_guard<std::mutex> guard(registry().lock);
    registry().targets.erase(handle_);
  }
  QCoreApplication::removePostedEvents(this, kMessageEvent);
}

bool MessageTarget::event(QEvent* e) {
  if (e->type() != kMessageEvent) return QObject::event(e);
  handleMessage(static_cast<MessageEvent*>(e)->message);
  return true;
}

bool postMessage(TargetHandle target, std::uint32_t id, std::uintptr_t wParam, std::intptr_t lParam,
                 std::shared_ptr<void> payload) {
  std::lock_guard<std::mutex> guard(registry().lock);
  auto it = registry().targets.find(target);
  if (it == registry().targets.end()) return false;
  QCoreApplication::postEvent(it->second,
                              new MessageEvent(Message{id, wParam, lParam, std::move(payload), 0}));
  return true;
}

bool isTargetAlive(TargetHandle target) {
  std::lock_guard<std::mutex> guard(registry().lock);
  return registry().targets.count(target) != 0;
}

void processMessages() {
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void waitForMessage(int ms) {
  QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
  if (dispatcher == nullptr) return;
  QTimer timeout;
  timeout.setSingleShot(true);
  timeout.start(ms < 0 ? 0 : ms);
  // Blocks until at least one event (the time-out at the latest) and handles what is queued.
  QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents | QEventLoop::AllEvents);
}

void runOnMainThread(const std::function<void()>& fn) {
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr || QThread::currentThread() == app->thread()) {
    fn();
    return;
  }
  QMetaObject::invokeMethod(app, fn, Qt::BlockingQueuedConnection);
}

}  // namespace platform

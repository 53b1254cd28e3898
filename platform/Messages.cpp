#include "Messages.h"

#include <QCoreApplication>
#include <QThread>

namespace platform {
namespace detail {

QEvent::Type deliveryEventType() {
  static const auto kType = static_cast<QEvent::Type>(QEvent::registerEventType());
  return kType;
}

bool MailboxCore::post(std::unique_ptr<QEvent> delivery) {
  std::lock_guard<std::mutex> guard(lock_);
  if (receiver_ == nullptr) return false;
  QCoreApplication::postEvent(receiver_, delivery.release());
  return true;
}

bool MailboxCore::open() {
  std::lock_guard<std::mutex> guard(lock_);
  return receiver_ != nullptr;
}

void MailboxCore::close() {
  QObject* receiver = nullptr;
  {
    std::lock_guard<std::mutex> guard(lock_);
    receiver = receiver_;
    receiver_ = nullptr;
  }
  // Nothing can be posted to the receiver any more: drop what is queued, freeing each event.
  if (receiver != nullptr) QCoreApplication::removePostedEvents(receiver, deliveryEventType());
}

}  // namespace detail

void runOnMainThread(const std::function<void()>& fn) {
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr || QThread::currentThread() == app->thread()) {
    fn();
    return;
  }
  QMetaObject::invokeMethod(app, fn, Qt::BlockingQueuedConnection);
}

}  // namespace platform

// Posted messages, the stand-in for window messages: typed events queued for an object's thread.
//
// A Mailbox<Event> belongs to one object and lives on the thread that created it. Posting an event to it
// queues the event and returns at once; the mailbox's handler gets the events later, in order and one at
// a time, on the mailbox's thread, never inside the call that posted them. `Event` is one struct, or a
// std::variant of the structs the owner handles (its handler visits the variant).
//
// Others post through a MailboxRef, which can be copied and used from any thread. Once the mailbox is
// gone, posts through its references do nothing, and the events still queued for it are dropped, each
// freed with everything it holds. A mailbox may be destroyed on its thread while other threads post to it.
#pragma once

#include <QEvent>
#include <QObject>

#include <functional>
#include <memory>
#include <mutex>
#include <type_traits>
#include <utility>

namespace platform {

namespace detail {

// The event type of every queued delivery.
QEvent::Type deliveryEventType();

// An event on its way to a Mailbox<Event>.
template <typename Event>
class Delivery final : public QEvent {
 public:
  explicit Delivery(Event e) : QEvent(deliveryEventType()), event(std::move(e)) {}
  Event event;
};

// The part of a mailbox that its references share: the object that receives the deliveries, and the lock
// that posting and closing both hold, so the mailbox cannot be destroyed between the check and the post.
class MailboxCore {
 public:
  explicit MailboxCore(QObject* receiver) : receiver_(receiver) {}

  // Queues `delivery` for the receiver and takes it; false, with the delivery freed, once closed.
  bool post(std::unique_ptr<QEvent> delivery);
  bool open();
  // No more posts; what is still queued is dropped.
  void close();

 private:
  std::mutex lock_;
  QObject* receiver_;
};

// Hands each delivery to the mailbox's handler, on the mailbox's thread.
template <typename Event>
class Receiver final : public QObject {
 public:
  explicit Receiver(std::function<void(Event&)> handler) : handler_(std::move(handler)) {}

 protected:
  bool event(QEvent* e) override {
    if (e->type() != deliveryEventType()) return QObject::event(e);
    // The handler may destroy the mailbox and this receiver: nothing of them is touched after it.
    handler_(static_cast<Delivery<Event>*>(e)->event);
    return true;
  }

 private:
  std::function<void(Event&)> handler_;
};

}  // namespace detail

template <typename Event>
class Mailbox;

// Where events of type `Event` go: a reference to a mailbox, or to none (default constructed).
template <typename Event>
class MailboxRef {
 public:
  MailboxRef() = default;

  // Queues `event` for the mailbox; false when there is no mailbox any more (the event is dropped).
  // Safe to call from any thread.
  bool post(Event event) const {
    if (core_ == nullptr) return false;
    return core_->post(deliver_(std::move(event)));
  }

  // True while the mailbox exists.
  bool alive() const { return core_ != nullptr && core_->open(); }

 private:
  template <typename>
  friend class Mailbox;
  using Deliver = std::unique_ptr<QEvent> (*)(Event&&);

  MailboxRef(std::shared_ptr<detail::MailboxCore> core, Deliver deliver)
      : core_(std::move(core)), deliver_(deliver) {}

  std::shared_ptr<detail::MailboxCore> core_;
  Deliver deliver_ = nullptr;
};

template <typename Event>
class Mailbox {
 public:
  explicit Mailbox(std::function<void(Event&)> handler)
      : receiver_(std::move(handler)), core_(std::make_shared<detail::MailboxCore>(&receiver_)) {}
  ~Mailbox() { core_->close(); }
  Mailbox(const Mailbox&) = delete;
  Mailbox& operator=(const Mailbox&) = delete;

  // A reference to this mailbox for others to post through. With a `Part`, one of the alternatives of a
  // std::variant `Event`, the reference takes only that part: its user needs to know nothing of the rest.
  template <typename Part = Event>
  MailboxRef<Part> ref() const {
    static_assert(std::is_constructible_v<Event, Part&&>, "the mailbox does not take this event");
    return MailboxRef<Part>(core_, [](Part&& part) -> std::unique_ptr<QEvent> {
      return std::make_unique<detail::Delivery<Event>>(Event(std::move(part)));
    });
  }

  // Posts to this mailbox, as ref().post(event) does.
  bool post(Event event) const { return ref().post(std::move(event)); }

 private:
  detail::Receiver<Event> receiver_;
  std::shared_ptr<detail::MailboxCore> core_;
};

// One handler per alternative of a std::variant event:
//   std::visit(Overloaded{[](Started& e) { ... }, [](Stopped&) { ... }}, event);
template <typename... Handlers>
struct Overloaded : Handlers... {
  using Handlers::operator()...;
};
template <typename... Handlers>
Overloaded(Handlers...) -> Overloaded<Handlers...>;

// Runs `fn` on the application's main thread and waits for it to finish (the blocking
// run-on-main-thread call). Called on the main thread, it runs `fn` directly.
void runOnMainThread(const std::function<void()>& fn);

}  // namespace platform

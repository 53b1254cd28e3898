// Posted messages between message targets, the stand-in for window messages.
//
// A message target is an object with a handleMessage() method and a handle. postMessage queues a record for
// the target's thread and returns at once; the record is handled later, one at a time, on that thread, never
// inside the call that posted it. Records for a handle whose target is gone are dropped, and their payload is
// freed with them.
#pragma once

#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>

namespace platform {

using TargetHandle = std::uint64_t;  // 0 is never a valid handle
constexpr TargetHandle kNoTarget = 0;

struct Message {
  std::uint32_t id = 0;
  std::uintptr_t wParam = 0;
  std::intptr_t lParam = 0;
  std::shared_ptr<void> payload;  // optional record carried with the message, freed when dropped
  std::intptr_t result = 0;
};

// Base of every object that receives posted messages. Lives on the thread that created it.
class MessageTarget : public QObject {
 public:
  MessageTarget();
  ~MessageTarget() override;
  MessageTarget(const MessageTarget&) = delete;
  MessageTarget& operator=(const MessageTarget&) = delete;

  TargetHandle handle() const { return handle_; }

 protected:
  virtual void handleMessage(Message& msg) = 0;
  bool event(QEvent* e) override;

 private:
  TargetHandle handle_;
};

// A message target that hands every message to a function; handy for hidden windows and tests.
class FunctionTarget final : public MessageTarget {
 public:
  explicit FunctionTarget(std::function<void(Message&)> handler) : handler_(std::move(handler)) {}

 protected:
  void handleMessage(Message& msg) override { handler_(msg); }

 private:
  std::function<void(Message&)> handler_;
};

// Queues a message for the target; false when no target has this handle (the message is dropped).
// Safe to call from any thread.
bool postMessage(TargetHandle target, std::uint32_t id, std::uintptr_t wParam = 0, std::intptr_t lParam = 0,
                 std::shared_ptr<void> payload = nullptr);

// True while a target with this handle exists.
bool isTargetAlive(TargetHandle target);

// One message-pump step: handles every event already queued for this thread, without waiting.
void processMessages();

// Waits up to `ms` milliseconds for an event of this thread to arrive and handles what is queued.
// Returns at once when something is already queued.
void waitForMessage(int ms);

// Runs `fn` on the application's main thread and waits for it to finish (the blocking
// run-on-main-thread call). Called on the main thread, it runs `fn` directly.
void runOnMainThread(const std::function<void()>& fn);

}  // namespace platform

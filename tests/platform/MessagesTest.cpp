#include "platform/Messages.h"
#include "platform/SynchronousWait.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <variant>
#include <vector>

namespace {

struct Started {
  int step = 0;
};
struct Named {
  std::string name;
};
using TestEvent = std::variant<Started, Named>;

// An event whose payload tells when it is freed.
struct Carried {
  std::shared_ptr<int> payload;
};

std::string describe(const TestEvent& event) {
  if (const auto* started = std::get_if<Started>(&event)) return "started " + std::to_string(started->step);
  return "named " + std::get<Named>(event).name;
}

TEST(Messages, PostedEventsArriveLaterInOrder) {
  std::vector<std::string> seen;
  platform::Mailbox<TestEvent> mailbox([&](TestEvent& e) { seen.push_back(describe(e)); });
  const platform::MailboxRef<Named> names = mailbox.ref<Named>();  // takes one kind of the events only
  EXPECT_TRUE(mailbox.post(Started{.step = 2}));
  EXPECT_TRUE(names.post(Named{.name = "first"}));
  EXPECT_TRUE(mailbox.ref().post(Started{.step = 1}));
  EXPECT_TRUE(seen.empty()) << "a posted event must not be handled inside the call";
  platform::waitSynchronously(nullptr, 0);
  EXPECT_EQ(seen, (std::vector<std::string>{"started 2", "named first", "started 1"}));
}

TEST(Messages, EventForAGoneMailboxIsDroppedAndItsPayloadFreed) {
  auto queued = std::make_shared<int>(7), late = std::make_shared<int>(8);
  std::weak_ptr<int> watchQueued = queued, watchLate = late;
  platform::MailboxRef<Carried> ref;
  {
    platform::Mailbox<Carried> mailbox([](Carried&) { FAIL() << "handled by a destroyed mailbox"; });
    ref = mailbox.ref();
    EXPECT_TRUE(ref.alive());
    EXPECT_TRUE(ref.post(Carried{std::move(queued)}));
  }
  EXPECT_TRUE(watchQueued.expired()) << "a queued event is freed with its mailbox";
  platform::waitSynchronously(nullptr, 0);
  EXPECT_FALSE(ref.alive());
  EXPECT_FALSE(ref.post(Carried{std::move(late)}));
  EXPECT_TRUE(watchLate.expired());
  EXPECT_FALSE(platform::MailboxRef<Carried>().post(Carried{})) << "a reference to no mailbox";
}

// Posts from another thread race with the mailbox's destruction: every event is dropped and freed, none
// is delivered to the destroyed mailbox, and no post touches it once it is gone (the sanitizer build
// sees a post that does).
TEST(Messages, MailboxDestroyedWhileAnotherThreadPosts) {
  for (int round = 0; round < 500; ++round) {
    auto payload = std::make_shared<int>(round);
    const std::weak_ptr<int> watch = payload;
    std::atomic<bool> posting{false};
    std::thread poster;
    {
      platform::Mailbox<Carried> mailbox([](Carried&) {});
      poster = std::thread([&posting, ref = mailbox.ref(), payload = std::move(payload)] {
        while (ref.post(Carried{payload})) {
          if (!posting.exchange(true)) posting.notify_one();
        }
      });
      posting.wait(false);
      // Destroyed here, while the poster still posts.
    }
    poster.join();
    ASSERT_TRUE(watch.expired()) << "round " << round;
  }
  platform::waitSynchronously(nullptr,
                              0);  // an event that reached a destroyed mailbox would be delivered now
}

TEST(Messages, HandlerMayPostToItselfWithoutRecursion) {
  int depth = 0, handled = 0;
  std::unique_ptr<platform::Mailbox<Started>> mailbox;
  mailbox = std::make_unique<platform::Mailbox<Started>>([&](Started& e) {
    ++depth;
    EXPECT_EQ(depth, 1);
    if (++handled < 3) mailbox->post(Started{.step = e.step + 1});
    --depth;
  });
  mailbox->post(Started{});
  for (int i = 0; i < 5; ++i) platform::waitSynchronously(nullptr, 0);
  EXPECT_EQ(handled, 3);
}

TEST(Messages, AWaitEndsWhenAnEventArrivesFromAnotherThread) {
  bool got = false;
  const std::thread::id mainThread = std::this_thread::get_id();
  platform::Mailbox<Named> mailbox([&](Named& e) {
    EXPECT_EQ(std::this_thread::get_id(), mainThread) << "handled on the mailbox's own thread";
    got = e.name == "from the worker";
  });
  std::thread poster([ref = mailbox.ref()] { ref.post(Named{.name = "from the worker"}); });
  EXPECT_EQ(platform::waitSynchronously([&] { return got; }, 5000), platform::WaitOutcome::Done);
  poster.join();
  EXPECT_TRUE(got);
}

TEST(Messages, RunOnMainThreadBlocksUntilDone) {
  bool ran = false;
  std::thread worker([&] { platform::runOnMainThread([&] { ran = true; }); });
  EXPECT_EQ(platform::waitSynchronously([&] { return ran; }, 5000), platform::WaitOutcome::Done);
  worker.join();
  EXPECT_TRUE(ran);
}

}  // namespace

// The one synchronous wait: when it returns, what it dispatches, and the counts that tests use to prove a
// path never enters it.
#include "platform/Messages.h"
#include "platform/SynchronousWait.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {

using platform::WaitOutcome;
using Clock = std::chrono::steady_clock;

struct Tick {};

long long msSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

TEST(SynchronousWait, EndsOnTheConditionTheTimeOrAtOnce) {
  const struct {
    const char* name;
    bool doneBefore;  // the condition holds before the wait
    int postAfterMs;  // another thread posts the event that makes it hold; -1: nobody does
    int timeoutMs;
    WaitOutcome outcome;
    long long atLeastMs;  // the wait lasts at least this long ...
    long long atMostMs;   // ... and at most this long
    bool delivered;       // the event queued before the wait was handled
  } cases[] = {
      {"already done", true, -1, 5000, WaitOutcome::Done, 0, 100, false},
      {"done by an event from another thread", false, 50, 5000, WaitOutcome::Done, 40, 2000, true},
      {"time up", false, -1, 150, WaitOutcome::TimedOut, 150, 2000, true},
      {"one pass without waiting", false, -1, 0, WaitOutcome::TimedOut, 0, 100, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    bool done = c.doneBefore, queuedHandled = false;
    platform::Mailbox<Tick> queued([&](Tick&) { queuedHandled = true; });
    platform::Mailbox<Tick> finisher([&](Tick&) { done = true; });
    queued.post(Tick{});
    std::thread poster;
    if (c.postAfterMs >= 0) {
      poster = std::thread([ref = finisher.ref(), ms = c.postAfterMs] {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        ref.post(Tick{});
      });
    }
    const Clock::time_point start = Clock::now();
    EXPECT_EQ(platform::waitSynchronously([&] { return done; }, c.timeoutMs), c.outcome);
    const long long took = msSince(start);
    EXPECT_GE(took, c.atLeastMs);
    EXPECT_LE(took, c.atMostMs);
    EXPECT_EQ(queuedHandled, c.delivered) << "the condition is checked before the first dispatch";
    if (poster.joinable()) poster.join();
    platform::waitSynchronously(nullptr, 0);
  }
}

// A handler that waits inside the wait nests one level; the counts see both entries.
TEST(SynchronousWait, CountsEntriesAndNesting) {
  const std::uint64_t before = platform::synchronousWaitEntries();
  EXPECT_EQ(platform::synchronousWaitDepth(), 0);
  int depthInside = 0, depthNested = 0;
  bool outerDone = false;
  platform::Mailbox<Tick> mailbox([&](Tick&) {
    depthInside = platform::synchronousWaitDepth();
    platform::waitSynchronously(
        [&] {
          depthNested = platform::synchronousWaitDepth();
          return true;
        },
        1000);
    outerDone = true;
  });
  mailbox.post(Tick{});
  EXPECT_EQ(platform::waitSynchronously([&] { return outerDone; }, 5000), WaitOutcome::Done);
  EXPECT_EQ(depthInside, 1);
  EXPECT_EQ(depthNested, 2);
  EXPECT_EQ(platform::synchronousWaitDepth(), 0);
  EXPECT_EQ(platform::synchronousWaitEntries() - before, 2u);
}

}  // namespace

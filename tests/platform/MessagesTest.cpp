#include "platform/Messages.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <memory>
#include <thread>
#include <vector>

using platform::Message;

TEST(Messages, PostedMessagesArriveLaterInOrder) {
  std::vector<std::uint32_t> seen;
  platform::FunctionTarget target([&](Message& m) { seen.push_back(m.id); });
  EXPECT_TRUE(platform::postMessage(target.handle(), 0x1605, 1, 2));
  EXPECT_TRUE(platform::postMessage(target.handle(), 0x1601));
  EXPECT_TRUE(seen.empty()) << "a posted message must not be handled inside the call";
  platform::processMessages();
  EXPECT_EQ(seen, (std::vector<std::uint32_t>{0x1605, 0x1601}));
}

TEST(Messages, MessageForAGoneTargetIsDroppedAndItsPayloadFreed) {
  auto payload = std::make_shared<int>(7);
  std::weak_ptr<int> watch = payload;
  platform::TargetHandle handle;
  {
    platform::FunctionTarget target([](Message&) { FAIL() << "handled by a destroyed target"; });
    handle = target.handle();
    EXPECT_TRUE(platform::postMessage(handle, 0x1606, 0, 0, std::move(payload)));
  }
  platform::processMessages();
  EXPECT_TRUE(watch.expired());
  EXPECT_FALSE(platform::isTargetAlive(handle));
  EXPECT_FALSE(platform::postMessage(handle, 0x1606));
}

TEST(Messages, HandlerMayPostToItselfWithoutRecursion) {
  int depth = 0, handled = 0;
  std::unique_ptr<platform::FunctionTarget> target;
  target = std::make_unique<platform::FunctionTarget>([&](Message& m) {
    ++depth;
    EXPECT_EQ(depth, 1);
    if (++handled < 3) platform::postMessage(target->handle(), m.id);
    --depth;
  });
  platform::postMessage(target->handle(), 1);
  for (int i = 0; i < 5; ++i) platform::processMessages();
  EXPECT_EQ(handled, 3);
}

TEST(Messages, WaitMessageReturnsWhenAMessageArrivesFromAnotherThread) {
  bool got = false;
  platform::FunctionTarget target([&](Message&) { got = true; });
  std::thread poster([h = target.handle()] { platform::postMessage(h, 9); });
  for (int i = 0; i < 50 && !got; ++i) platform::waitForMessage(100);
  poster.join();
  EXPECT_TRUE(got);
}

TEST(Messages, RunOnMainThreadBlocksUntilDone) {
  bool ran = false;
  std::thread worker([&] { platform::runOnMainThread([&] { ran = true; }); });
  while (!ran) platform::waitForMessage(50);
  worker.join();
  EXPECT_TRUE(ran);
}

#include "engine/threads/event.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "engine/threads/message_queue.h"
#include "engine/threads/mutex.h"

namespace yumekaze::engine {
namespace {

TEST(Event, ManualResetStaysSetUntilReset) {
  TMPSimpleEvent event;
  EXPECT_EQ(event.WaitFor(0), kWaitTimeout);
  EXPECT_EQ(event.WaitFor(5), kWaitTimeout);
  event.SetEvent();
  EXPECT_EQ(event.WaitFor(0), kWaitObject0);
  EXPECT_EQ(event.WaitFor(kInfinite), kWaitObject0);
  event.ResetEvent();
  EXPECT_FALSE(event.IsSignalled());
}

TEST(Event, AutomaticResetLetsOneWaitThrough) {
  TMPEvent event(false, true);
  EXPECT_EQ(event.WaitFor(0), kWaitObject0);
  EXPECT_EQ(event.WaitFor(0), kWaitTimeout);
}

TEST(Event, SetOnAnotherThreadWakesAWaitOnSeveral) {
  TMPSimpleEvent first;
  TMPSimpleEvent second;
  std::thread setter([&] { second.SetEvent(); });
  EXPECT_EQ(WaitForAny({&first, &second}, kInfinite), kWaitObject0 + 1);
  setter.join();
  first.SetEvent();
  EXPECT_EQ(WaitForAny({&first, &second}, kInfinite), kWaitObject0);  // first in list wins
}

TEST(Event, ManyThreadsWaitingAreAllWoken) {
  TMPSimpleEvent gate;
  std::atomic<int> through{0};
  std::vector<std::thread> waiters;
  for (int i = 0; i < 8; ++i) {
    waiters.emplace_back([&] {
      TMPSimpleEvent never;
      if (WaitForAny({&never, &gate}, kInfinite) == kWaitObject0 + 1) ++through;
    });
  }
  gate.SetEvent();
  for (auto& waiter : waiters) waiter.join();
  EXPECT_EQ(through, 8);
}

TEST(Event, HandleNamesOnlyLivingEvents) {
  std::uintptr_t handle;
  {
    TMPSimpleEvent event;
    handle = event.Handle();
    EXPECT_TRUE(TMPEvent::SetEventByHandle(handle));
    EXPECT_TRUE(event.IsSignalled());
  }
  EXPECT_FALSE(TMPEvent::SetEventByHandle(handle));
  EXPECT_FALSE(TMPEvent::SetEventByHandle(0));
}

TEST(SimpleMutex, IsReentrantAndExcludesOtherThreads) {
  TMPSimpleMutex mutex;
  int shared = 0;
  mutex.Lock();
  mutex.Lock();
  std::thread other([&] {
    std::lock_guard lock(mutex);
    shared += 1;
  });
  shared = 10;  // the other thread cannot have run its increment yet
  mutex.Unlock();
  EXPECT_EQ(shared, 10);
  mutex.Unlock();
  other.join();
  EXPECT_EQ(shared, 11);
}

TEST(MessageQueue, KeepsOrderFindsAndRemovesByNumberAndSignalsWhileNotEmpty) {
  TMPMessageQueue queue;
  EXPECT_FALSE(queue.NotEmpty().IsSignalled());
  queue.Post({1, 10, 0, 0});
  queue.Post({2, 20, 0, 0});
  queue.Post({1, 11, 0, 0});
  queue.Post({3, 30, 0, 0});
  EXPECT_TRUE(queue.NotEmpty().IsSignalled());
  EXPECT_TRUE(queue.Contains(1));
  EXPECT_FALSE(queue.Contains(4));
  EXPECT_EQ(queue.RemoveAll(1), 2);
  EXPECT_FALSE(queue.Contains(1));
  EXPECT_EQ(queue.Take()->WParam, 20u);
  EXPECT_EQ(queue.Take()->WParam, 30u);
  EXPECT_FALSE(queue.Take().has_value());
  EXPECT_FALSE(queue.NotEmpty().IsSignalled());
}

}  // namespace
}  // namespace yumekaze::engine

#include "engine/player/message_window.h"

#include <gtest/gtest.h>
#include <poll.h>

#include <thread>
#include <vector>

namespace yumekaze::engine {
namespace {

bool Readable(int fd) {
  pollfd entry{fd, POLLIN, 0};
  return poll(&entry, 1, 0) == 1 && (entry.revents & POLLIN);
}

TEST(MessageWindow, DispatchesPostsOfManyThreadsInTheirOrder) {
  std::vector<TMPMessage> seen;
  TMPMessageWindow window([&seen](TMPMessage& message) { seen.push_back(message); });
  constexpr int kThreads = 4;
  constexpr int kPerThread = 500;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&window, t] {
      for (int i = 0; i < kPerThread; ++i) window.PostMessage(WM_USER + t, i, 0);
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(window.ProcessPending(), kThreads * kPerThread);
  int next[kThreads] = {};
  for (const TMPMessage& message : seen) {
    const uint32_t t = message.Msg - WM_USER;
    ASSERT_LT(t, static_cast<uint32_t>(kThreads));
    EXPECT_EQ(message.WParam, static_cast<std::uintptr_t>(next[t]++));
  }
}

TEST(MessageWindow, PostsUnlessPendingAndRemovesWaitingMessages) {
  int handled = 0;
  TMPMessageWindow window([&handled](TMPMessage&) { ++handled; });
  EXPECT_TRUE(window.PostUnlessPending(WM_USER + 1));
  EXPECT_FALSE(window.PostUnlessPending(WM_USER + 1));
  window.PostMessage(WM_USER + 1);  // plain posts always queue
  window.PostMessage(WM_USER + 2);
  EXPECT_TRUE(window.IsPending(WM_USER + 1));
  EXPECT_EQ(window.RemovePending(WM_USER + 1), 2);
  EXPECT_FALSE(window.IsPending(WM_USER + 1));
  EXPECT_EQ(window.ProcessPending(), 1);
  EXPECT_EQ(handled, 1);
}

TEST(MessageWindow, NotifyDescriptorIsReadableExactlyWhileMessagesWait) {
  TMPMessageWindow window([](TMPMessage&) {});
  EXPECT_FALSE(Readable(window.NotifyFd()));
  window.PostMessage(WM_USER);
  window.PostMessage(WM_USER + 1);
  EXPECT_TRUE(Readable(window.NotifyFd()));
  window.RemovePending(WM_USER);
  EXPECT_TRUE(Readable(window.NotifyFd()));
  window.RemovePending(WM_USER + 1);
  EXPECT_FALSE(Readable(window.NotifyFd()));
  window.PostMessage(WM_USER);
  window.ProcessPending();
  EXPECT_FALSE(Readable(window.NotifyFd()));
}

TEST(MessageWindow, NestedPumpGoesOnWithTheMessagesBehind) {
  std::vector<uint32_t> seen;
  TMPMessageWindow* self = nullptr;
  TMPMessageWindow window([&](TMPMessage& message) {
    seen.push_back(message.Msg);
    if (message.Msg == WM_USER) {
      // A modal dialog's event loop inside a handler.
      self->PostMessage(WM_USER + 2);
      EXPECT_EQ(self->ProcessPending(), 2);
    }
  });
  self = &window;
  window.PostMessage(WM_USER);
  window.PostMessage(WM_USER + 1);
  EXPECT_EQ(window.ProcessPending(), 1);
  EXPECT_EQ(seen, (std::vector<uint32_t>{WM_USER, WM_USER + 1, WM_USER + 2}));
}

TEST(MessageWindow, WakeHandlerRunsWhenAPostFindsTheQueueEmpty) {
  int wakes = 0;
  TMPMessageWindow window([](TMPMessage&) {});
  window.SetWakeHandler([&wakes] { ++wakes; });
  window.PostMessage(WM_USER);
  window.PostMessage(WM_USER);
  EXPECT_EQ(wakes, 1);
  window.ProcessPending();
  window.PostUnlessPending(WM_USER);
  EXPECT_EQ(wakes, 2);
}

TEST(MessageWindow, WaitReturnsWhenAnotherThreadPosts) {
  TMPMessageWindow window([](TMPMessage&) {});
  EXPECT_FALSE(window.WaitForMessages(0));
  std::thread poster([&window] { window.PostMessage(WM_USER); });
  EXPECT_TRUE(window.WaitForMessages(kInfinite));
  poster.join();
}

TEST(MessageWindow, DestroyedWindowDropsPostsAndHandsBackWaitingMessages) {
  int handled = 0;
  TMPMessageWindow window([&handled](TMPMessage&) { ++handled; });
  window.PostMessage(WM_USER + 5, 7, 9);
  const std::vector<TMPMessage> waiting = window.Destroy();
  ASSERT_EQ(waiting.size(), 1u);
  EXPECT_EQ(waiting[0].WParam, 7u);
  EXPECT_EQ(waiting[0].LParam, 9);
  EXPECT_FALSE(window.Exists());
  EXPECT_FALSE(window.Post(WM_USER));
  EXPECT_FALSE(window.PostUnlessPending(WM_USER));
  EXPECT_EQ(window.ProcessPending(), 0);
  EXPECT_EQ(handled, 0);
  EXPECT_FALSE(Readable(window.NotifyFd()));
}

}  // namespace
}  // namespace yumekaze::engine

#include "engine/threads/loop_thread.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

namespace yumekaze::engine {
namespace {

// Records what its loop thread dispatches; optional behaviour for MPM_WORK.
class Recorder : public TMPMessageHandler {
 public:
  void Dispatch(TMPMessage& message) override {
    {
      std::lock_guard lock(mutex_);
      messages_.push_back(message);
      if (message.Msg == MPM_WORK) ++work_count_;
      if (message.Msg == MPM_TIMEOUT) ++timeout_count_;
      tid_ = static_cast<int>(gettid());
    }
    if (message.Msg == MPM_WORK && on_work) on_work(work_count());
    if (message.Msg == MPM_TIMEOUT && timeout_count() >= 3) three_timeouts.SetEvent();
  }

  std::vector<uint32_t> Numbers() {
    std::lock_guard lock(mutex_);
    std::vector<uint32_t> numbers;
    for (const auto& message : messages_) numbers.push_back(message.Msg);
    return numbers;
  }
  std::vector<TMPMessage> Messages() {
    std::lock_guard lock(mutex_);
    return messages_;
  }
  int work_count() {
    std::lock_guard lock(mutex_);
    return work_count_;
  }
  int timeout_count() {
    std::lock_guard lock(mutex_);
    return timeout_count_;
  }
  int tid() {
    std::lock_guard lock(mutex_);
    return tid_;
  }

  std::function<void(int)> on_work;
  TMPSimpleEvent three_timeouts;

 private:
  std::mutex mutex_;
  std::vector<TMPMessage> messages_;
  int work_count_ = 0;
  int timeout_count_ = 0;
  int tid_ = 0;
};

constexpr uint32_t kUserMessage = WM_USER + 100;
// A watchdog, not a timing: what is waited for comes at once unless the loop is broken.
constexpr int kDeadlineMs = 10000;
// How long an idle loop is watched for a dispatch of its own. Nothing marks the moment one would
// have come, so this stays a short window; a stale or zero time-out fires well within it.
constexpr auto kIdleWatch = std::chrono::milliseconds(20);

TEST(LoopThread, HandlesPostedMessagesInOrderAndSyncIsABarrier) {
  Recorder owner;
  TMPLoopThread thread(&owner);
  thread.Resume();
  for (int i = 0; i < 500; ++i) thread.PostMessage(kUserMessage, i, -i);
  thread.Sync();
  const auto messages = owner.Messages();
  ASSERT_EQ(messages.size(), 500u);
  for (int i = 0; i < 500; ++i) {
    EXPECT_EQ(messages[i].Msg, kUserMessage);
    EXPECT_EQ(messages[i].WParam, static_cast<std::uintptr_t>(i));
    EXPECT_EQ(messages[i].LParam, -i);
  }
}

TEST(LoopThread, MessagesPostedBeforeResumeAreKept) {
  Recorder owner;
  TMPLoopThread thread(&owner);
  thread.PostMessage(kUserMessage, 1);
  thread.PostMessage(kUserMessage, 2);
  thread.Resume();
  thread.Sync();
  EXPECT_EQ(owner.Messages().size(), 2u);
}

TEST(LoopThread, QuitEndsTheLoopAtOnceAndDropsWhatFollows) {
  Recorder owner;
  TMPLoopThread thread(&owner);
  thread.PostMessage(kUserMessage, 1);
  thread.PostMessage(kUserMessage, 2);
  thread.PostMessage(MPM_QUIT);
  thread.PostMessage(kUserMessage, 3);
  thread.Resume();
  EXPECT_EQ(thread.Ended().WaitFor(kDeadlineMs), kWaitObject0);
  EXPECT_EQ(owner.Numbers(), (std::vector<uint32_t>{kUserMessage, kUserMessage}));
  // Ended: Sync and Terminate return at once, also repeatedly.
  thread.Sync();
  thread.Terminate();
  thread.Terminate();
}

TEST(LoopThread, DestroyedRightAfterCreationOrResumeEndsCleanly) {
  Recorder owner;
  for (int i = 0; i < 50; ++i) {
    TMPLoopThread never_resumed(&owner);
    TMPLoopThread resumed(&owner);
    resumed.Resume();
  }
  EXPECT_TRUE(owner.Messages().empty());
}

TEST(LoopThread, SyncIgnoresParametersThatAreNoEvent) {
  Recorder owner;
  TMPLoopThread thread(&owner);
  thread.Resume();
  int not_an_event = 0;
  std::uintptr_t stale;
  {
    TMPSimpleEvent gone;
    stale = gone.Handle();
  }
  thread.PostMessage(MPM_SYNC, 0);
  thread.PostMessage(MPM_SYNC, reinterpret_cast<std::uintptr_t>(&not_an_event));
  thread.PostMessage(MPM_SYNC, stale);
  thread.PostMessage(kUserMessage, 7);
  thread.Sync();
  EXPECT_EQ(not_an_event, 0);
  // MPM_SYNC never reaches the owner.
  EXPECT_EQ(owner.Numbers(), (std::vector<uint32_t>{kUserMessage}));
}

TEST(LoopThread, WithoutTimeoutOrWorkOnlyPostedMessagesAreDispatched) {
  Recorder owner;
  TMPLoopThread thread(&owner);
  thread.Resume();
  thread.PostMessage(kUserMessage);
  thread.Sync();
  std::this_thread::sleep_for(kIdleWatch);
  thread.PostMessage(kUserMessage);
  thread.Sync();
  EXPECT_EQ(owner.Numbers(), (std::vector<uint32_t>{kUserMessage, kUserMessage}));
}

TEST(LoopThread, TimeoutDispatchesTimeoutMessagesUntilSwitchedOff) {
  Recorder owner;
  TMPLoopThread thread(&owner);
  thread.SetTimeout(5);
  thread.Resume();
  ASSERT_EQ(owner.three_timeouts.WaitFor(kDeadlineMs), kWaitObject0);
  thread.SetTimeout(kInfinite);
  thread.PostMessage(kUserMessage);  // wakes the wait, which then runs without time-out
  thread.Sync();
  const int timeouts = owner.timeout_count();
  std::this_thread::sleep_for(kIdleWatch);
  thread.Sync();
  EXPECT_EQ(owner.timeout_count(), timeouts);
  EXPECT_EQ(owner.work_count(), 0);
}

TEST(LoopThread, TimeoutSetWhileTheLoopWaitsForEverAppliesAtOnce) {
  Recorder owner;
  TMPLoopThread thread(&owner);
  thread.Resume();
  thread.Sync();  // the loop is now in its endless wait, or about to enter it
  thread.SetTimeout(1);
  // Without the wake-up the ticks never come.
  EXPECT_EQ(owner.three_timeouts.WaitFor(kDeadlineMs), kWaitObject0);
  thread.SetTimeout(kInfinite);
}

TEST(LoopThread, WorkRepeatsWhileTheEventIsSetAndInterleavesWithMessages) {
  Recorder owner;
  TMPLoopThread thread(&owner);
  TMPSimpleEvent finished;
  owner.on_work = [&](int count) {
    if (count == 1) thread.PostMessage(kUserMessage);  // handled before the next MPM_WORK
    if (count == 100) {
      thread.Event().ResetEvent();
      finished.SetEvent();
    }
  };
  thread.Resume();
  thread.Event().SetEvent();
  ASSERT_EQ(finished.WaitFor(kDeadlineMs), kWaitObject0);
  thread.Sync();
  const auto numbers = owner.Numbers();
  ASSERT_GE(numbers.size(), 101u);
  EXPECT_EQ(numbers[0], MPM_WORK);
  EXPECT_EQ(numbers[1], kUserMessage);
  EXPECT_EQ(owner.work_count(), 100);
}

TEST(LoopThread, ExceptionGoesToOnExceptionOnceAndWorkGoesOn) {
  Recorder owner;
  TMPLoopThread thread(&owner);
  TMPSimpleEvent finished;
  std::vector<std::string> reported;
  owner.on_work = [&](int count) {
    if (count == 1) throw std::runtime_error("step failed");
    thread.Event().ResetEvent();
    finished.SetEvent();
  };
  thread.SetOnException([&](TMPLoopThread& sender, const std::exception& error, bool& handled) {
    EXPECT_EQ(&sender, &thread);
    EXPECT_FALSE(handled);
    EXPECT_TRUE(std::current_exception() != nullptr);
    reported.push_back(error.what());
    handled = true;
  });
  thread.Resume();
  thread.Event().SetEvent();
  ASSERT_EQ(finished.WaitFor(kDeadlineMs), kWaitObject0);
  thread.Sync();
  EXPECT_EQ(reported, std::vector<std::string>{"step failed"});
  EXPECT_EQ(owner.work_count(), 2);
}

TEST(LoopThread, ExceptionOfAnotherKindEndsTheThreadWithoutHangingWaiters) {
  struct Thrower : TMPMessageHandler {
    void Dispatch(TMPMessage& message) override {
      if (message.Msg == kUserMessage) throw 42;
    }
  } owner;
  TMPLoopThread thread(&owner);
  thread.Resume();
  thread.PostMessage(kUserMessage);
  EXPECT_EQ(thread.Ended().WaitFor(kDeadlineMs), kWaitObject0);
  thread.Sync();  // returns: the thread has ended
}

TEST(LoopThread, LoweringPriorityRaisesNicenessAndRaisingIsSilentWhenRefused) {
  Recorder owner;
  TMPLoopThread thread(&owner);
  thread.Resume();
  thread.PostMessage(kUserMessage);
  thread.Sync();
  const int tid = owner.tid();
  ASSERT_NE(tid, 0);
  errno = 0;
  const int start = getpriority(PRIO_PROCESS, static_cast<id_t>(tid));
  ASSERT_EQ(errno, 0);

  thread.SetPriority(TThreadPriority::tpLowest);
  EXPECT_EQ(thread.Priority(), TThreadPriority::tpLowest);
  EXPECT_EQ(getpriority(PRIO_PROCESS, static_cast<id_t>(tid)), std::min(start + 10, 19));

  thread.SetPriority(TThreadPriority::tpHighest);
  const int now = getpriority(PRIO_PROCESS, static_cast<id_t>(tid));
  if (thread.Priority() == TThreadPriority::tpHighest) {
    EXPECT_EQ(now, std::max(start - 10, -20));
  } else {
    // Not permitted here: the thread keeps what it had, and nothing was raised.
    EXPECT_EQ(thread.Priority(), TThreadPriority::tpLowest);
    EXPECT_EQ(now, std::min(start + 10, 19));
  }
  thread.PostMessage(kUserMessage);
  thread.Sync();  // still running
  EXPECT_EQ(owner.Messages().size(), 2u);
}

TEST(LoopThread, PriorityAskedBeforeTheThreadRunsIsApplied) {
  Recorder owner;
  TMPLoopThread thread(&owner);
  thread.SetPriority(TThreadPriority::tpLower);
  thread.Resume();
  thread.Sync();
  EXPECT_EQ(thread.Priority(), TThreadPriority::tpLower);
}

}  // namespace
}  // namespace yumekaze::engine

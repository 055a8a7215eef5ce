// A worker thread that waits on its work event and on its own message queue, and hands what it
// receives to its owner's dispatch: MPM_WORK while the event is set, MPM_TIMEOUT when the wait
// timed out, and every posted message in order.
#pragma once

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

#include "engine/threads/event.h"
#include "engine/threads/message_queue.h"
#include "engine/threads/thread_messages.h"

namespace yumekaze::engine {

enum class TThreadPriority {
  tpIdle,
  tpLowest,
  tpLower,
  tpNormal,
  tpHigher,
  tpHighest,
  tpTimeCritical
};

// The change of Linux niceness a priority asks for, against the thread's starting niceness.
int NicenessFor(TThreadPriority priority);

class TMPLoopThread final : public TMPMessagePoster {
 public:
  // Sender, the exception, Handled. Runs on the loop thread inside the catch block, so
  // std::current_exception() gives the exception too. Unhandled ones are printed to stderr.
  using ExceptionHandler =
      std::function<void(TMPLoopThread& sender, const std::exception& error, bool& handled)>;

  // The thread exists at once but starts its loop only at Resume; its queue exists from here on,
  // so messages posted before Resume (MPM_QUIT included) are handled in order.
  explicit TMPLoopThread(TMPMessageHandler* owner);
  // Terminate, also when never resumed.
  ~TMPLoopThread();
  TMPLoopThread(const TMPLoopThread&) = delete;
  TMPLoopThread& operator=(const TMPLoopThread&) = delete;

  void PostMessage(uint32_t msg, std::uintptr_t wParam = 0, std::intptr_t lParam = 0) override;
  void Resume();
  // Sets the thread's niceness, relative to the niceness the thread started with. Where raising
  // is not permitted the thread keeps its priority.
  void SetPriority(TThreadPriority priority);
  // The priority in force.
  TThreadPriority Priority() const;
  // Returns once every message posted before has been handled, or the thread has ended.
  // Never call it on the loop thread itself.
  void Sync();
  // Posts MPM_QUIT and waits until the thread has ended; at once when it has already ended.
  // Never call it on the loop thread itself.
  void Terminate();

  // Set before Resume.
  void SetOnException(ExceptionHandler handler) { on_exception_ = std::move(handler); }

  // The work event: manual reset; MPM_WORK is dispatched on every pass while it is set.
  TMPSimpleEvent& Event() { return event_; }
  // Milliseconds to wait before MPM_TIMEOUT; kInfinite (-1) = no time-out. Any thread may change
  // it; a wait already running is woken so that the new value applies at once.
  int Timeout() const { return timeout_.load(); }
  void SetTimeout(int milliseconds);
  // Signalled once the thread has ended.
  TMPEvent& Ended() { return ended_; }
  bool IsLoopThread() const { return std::this_thread::get_id() == thread_.get_id(); }

 private:
  void Run();
  void Loop();
  void Dispatch(uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam);
  void ReportException(const std::exception& error);

  TMPMessageHandler* const owner_;
  ExceptionHandler on_exception_;
  TMPSimpleEvent event_;
  TMPMessageQueue queue_;
  std::atomic<int> timeout_{kInfinite};
  TMPEvent timeout_changed_{false, false};  // auto reset: wakes the wait for a new time-out
  TMPSimpleEvent started_;  // opens the loop (Resume, or Terminate of a thread never resumed)
  TMPSimpleEvent ended_;
  mutable std::mutex priority_mutex_;                     // guards the four fields below
  TThreadPriority priority_ = TThreadPriority::tpNormal;  // in force
  TThreadPriority requested_priority_ = TThreadPriority::tpNormal;
  int kernel_tid_ = 0;  // 0 until the thread runs
  int base_niceness_ = 0;
  bool ApplyPriority(TThreadPriority priority);  // under priority_mutex_
  std::mutex join_mutex_;                        // Terminate may run on several threads at once
  std::thread thread_;                           // last: starts once everything above exists
};

}  // namespace yumekaze::engine

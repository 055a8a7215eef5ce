#include "engine/threads/loop_thread.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace yumekaze::engine {

int NicenessFor(TThreadPriority priority) {
  switch (priority) {
    case TThreadPriority::tpIdle:
      return 19;
    case TThreadPriority::tpLowest:
      return 10;
    case TThreadPriority::tpLower:
      return 5;
    case TThreadPriority::tpNormal:
      return 0;
    case TThreadPriority::tpHigher:
      return -5;
    case TThreadPriority::tpHighest:
      return -10;
    case TThreadPriority::tpTimeCritical:
      return -20;
  }
  return 0;
}

TMPLoopThread::TMPLoopThread(TMPMessageHandler* owner) : owner_(owner) {
  thread_ = std::thread([this] { Run(); });
}

TMPLoopThread::~TMPLoopThread() { Terminate(); }

void TMPLoopThread::PostMessage(uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) {
  queue_.Post(TMPMessage{msg, wParam, lParam, 0});
}

void TMPLoopThread::Resume() { started_.SetEvent(); }

void TMPLoopThread::SetPriority(TThreadPriority priority) {
  std::lock_guard lock(priority_mutex_);
  requested_priority_ = priority;
  if (kernel_tid_ != 0) ApplyPriority(priority);
}

TThreadPriority TMPLoopThread::Priority() const {
  std::lock_guard lock(priority_mutex_);
  return priority_;
}

bool TMPLoopThread::ApplyPriority(TThreadPriority priority) {
  const int niceness = std::clamp(base_niceness_ + NicenessFor(priority), -20, 19);
  // On Linux a thread id names the thread for PRIO_PROCESS. Lowering niceness needs
  // CAP_SYS_NICE or a matching RLIMIT_NICE; without them the call fails and nothing changes.
  if (setpriority(PRIO_PROCESS, static_cast<id_t>(kernel_tid_), niceness) != 0) return false;
  priority_ = priority;
  return true;
}

void TMPLoopThread::Sync() {
  if (!thread_.joinable() || IsLoopThread()) return;
  TMPSimpleEvent done;
  PostMessage(MPM_SYNC, done.Handle());
  WaitForAny({&done, &ended_}, kInfinite);
}

void TMPLoopThread::Terminate() {
  if (IsLoopThread()) {
    // Joining itself would never return; the loop ends when it reaches the message.
    PostMessage(MPM_QUIT);
    return;
  }
  std::lock_guard lock(join_mutex_);
  if (!thread_.joinable()) return;
  PostMessage(MPM_QUIT);
  started_.SetEvent();  // a thread never resumed runs just to find MPM_QUIT
  thread_.join();
}

void TMPLoopThread::SetTimeout(int milliseconds) {
  // The loop thread reads the value before each wait; any other thread must wake a wait that
  // holds the old one (an endless wait would otherwise never see a finite time-out).
  if (timeout_.exchange(milliseconds) != milliseconds && !IsLoopThread()) {
    timeout_changed_.SetEvent();
  }
}

void TMPLoopThread::Run() {
  {
    std::lock_guard lock(priority_mutex_);
    kernel_tid_ = static_cast<int>(gettid());
    errno = 0;
    const int niceness = getpriority(PRIO_PROCESS, static_cast<id_t>(kernel_tid_));
    if (errno == 0) base_niceness_ = niceness;
    if (requested_priority_ != TThreadPriority::tpNormal) ApplyPriority(requested_priority_);
  }
  started_.WaitFor(kInfinite);
  try {
    Loop();
  } catch (...) {
    std::fputs("Loop thread ended by an exception of unknown kind.\n", stderr);
  }
  queue_.Clear();  // what came after MPM_QUIT goes with the thread
  ended_.SetEvent();
}

void TMPLoopThread::Loop() {
  for (;;) {
    try {
      const int wait =
          WaitForAny({&event_, &queue_.NotEmpty(), &timeout_changed_}, timeout_.load());
      if (wait == kWaitObject0) {
        Dispatch(MPM_WORK, 0, 0);
      } else if (wait == kWaitTimeout) {
        Dispatch(MPM_TIMEOUT, 0, 0);
      }
      while (auto message = queue_.Take()) {
        if (message->Msg == MPM_QUIT) return;
        if (message->Msg == MPM_SYNC) {
          TMPEvent::SetEventByHandle(message->WParam);
        } else {
          Dispatch(message->Msg, message->WParam, message->LParam);
        }
      }
    } catch (const std::exception& error) {
      ReportException(error);
    }
  }
}

void TMPLoopThread::Dispatch(uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) {
  if (owner_ == nullptr) return;
  TMPMessage message{msg, wParam, lParam, 0};
  owner_->Dispatch(message);
}

void TMPLoopThread::ReportException(const std::exception& error) {
  bool handled = false;
  if (on_exception_) on_exception_(*this, error, handled);
  if (!handled) std::fprintf(stderr, "%s\n", error.what());
}

}  // namespace yumekaze::engine

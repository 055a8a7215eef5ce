#include "engine/threads/event.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <unordered_set>

namespace yumekaze::engine {

// One WaitForAny call: every event it waits on notifies it when set.
struct TMPEvent::Waiter {
  std::mutex mutex;
  std::condition_variable cv;
  bool notified = false;
};

namespace {

// Living events, so that a handle taken from a message is used only while its event exists.
std::mutex& RegistryMutex() {
  static std::mutex mutex;
  return mutex;
}

std::unordered_set<const TMPEvent*>& Registry() {
  static std::unordered_set<const TMPEvent*> events;
  return events;
}

}  // namespace

TMPEvent::TMPEvent(bool manualReset, bool initialState)
    : signalled_(initialState), manual_reset_(manualReset) {
  std::lock_guard lock(RegistryMutex());
  Registry().insert(this);
}

TMPEvent::~TMPEvent() {
  std::lock_guard lock(RegistryMutex());
  Registry().erase(this);
}

void TMPEvent::SetEvent() {
  std::lock_guard lock(mutex_);
  signalled_ = true;
  // A waiter removes itself under mutex_, so it cannot go away while it is notified here.
  for (Waiter* waiter : waiters_) {
    {
      std::lock_guard waiterLock(waiter->mutex);
      waiter->notified = true;
    }
    // Outside the waiter's lock: the woken thread takes it at once and would only block again.
    waiter->cv.notify_one();
  }
}

void TMPEvent::ResetEvent() {
  std::lock_guard lock(mutex_);
  signalled_ = false;
}

bool TMPEvent::IsSignalled() const {
  std::lock_guard lock(mutex_);
  return signalled_;
}

int TMPEvent::WaitFor(int milliseconds) { return WaitForAny({this}, milliseconds); }

bool TMPEvent::SetEventByHandle(std::uintptr_t handle) {
  // Held while setting, so the event cannot be destroyed in between.
  std::lock_guard lock(RegistryMutex());
  auto found = Registry().find(reinterpret_cast<const TMPEvent*>(handle));
  if (found == Registry().end()) return false;
  const_cast<TMPEvent*>(*found)->SetEvent();
  return true;
}

bool TMPEvent::TryConsume() {
  if (!signalled_) return false;
  if (!manual_reset_) signalled_ = false;
  return true;
}

void TMPEvent::AddWaiter(Waiter* waiter) {
  std::lock_guard lock(mutex_);
  waiters_.push_back(waiter);
}

void TMPEvent::RemoveWaiter(Waiter* waiter) {
  std::lock_guard lock(mutex_);
  waiters_.erase(std::remove(waiters_.begin(), waiters_.end(), waiter), waiters_.end());
}

namespace {

// Index of the first signalled event (consuming an automatic one), or -1.
template <typename Consume>
int FirstSignalled(std::initializer_list<TMPEvent*> events, Consume consume) {
  int index = 0;
  for (TMPEvent* event : events) {
    if (consume(event)) return index;
    ++index;
  }
  return -1;
}

}  // namespace

int WaitForAny(std::initializer_list<TMPEvent*> events, int milliseconds) {
  auto consume = [](TMPEvent* event) {
    std::lock_guard lock(event->mutex_);
    return event->TryConsume();
  };
  // Fast path: no registration when an event is already set (a busy work loop).
  int index = FirstSignalled(events, consume);
  if (index >= 0) return kWaitObject0 + index;
  if (milliseconds == 0) return kWaitTimeout;

  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(milliseconds, 0));
  TMPEvent::Waiter waiter;
  for (TMPEvent* event : events) event->AddWaiter(&waiter);
  int result = kWaitTimeout;
  for (;;) {
    {
      // Cleared before the scan, so a SetEvent during the scan still wakes the wait below.
      std::lock_guard lock(waiter.mutex);
      waiter.notified = false;
    }
    index = FirstSignalled(events, consume);
    if (index >= 0) {
      result = kWaitObject0 + index;
      break;
    }
    std::unique_lock lock(waiter.mutex);
    if (milliseconds < 0) {
      waiter.cv.wait(lock, [&] { return waiter.notified; });
    } else if (!waiter.cv.wait_until(lock, deadline, [&] { return waiter.notified; })) {
      break;
    }
  }
  for (TMPEvent* event : events) event->RemoveWaiter(&waiter);
  return result;
}

}  // namespace yumekaze::engine

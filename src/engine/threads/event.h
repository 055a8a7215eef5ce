// Event objects: a flag that threads wait on, set and reset by any thread. WaitForAny waits on
// several at once, so a loop can wake on its work event or on its message queue.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <mutex>
#include <vector>

namespace yumekaze::engine {

// Results of the waits, as the platform numbers them.
inline constexpr int kWaitObject0 = 0;  // the first event; kWaitObject0 + i for the i-th
inline constexpr int kWaitTimeout = 258;
inline constexpr int kInfinite = -1;  // time-out value: wait for ever

class TMPEvent {
 public:
  // A manual-reset event stays signalled until ResetEvent; an automatic one lets exactly one
  // wait through and resets itself.
  TMPEvent(bool manualReset, bool initialState);
  virtual ~TMPEvent();
  TMPEvent(const TMPEvent&) = delete;
  TMPEvent& operator=(const TMPEvent&) = delete;

  void SetEvent();
  void ResetEvent();
  // kWaitObject0 when signalled within `milliseconds` (kInfinite: no limit), else kWaitTimeout.
  int WaitFor(int milliseconds);
  bool IsSignalled() const;

  // The event as a message parameter, and back. FromHandle gives nullptr for anything that is
  // not a living event, so a message carrying a stale or foreign value is harmless.
  std::uintptr_t Handle() const { return reinterpret_cast<std::uintptr_t>(this); }
  // Sets the event that `handle` names, if it is a living event; returns whether it was.
  static bool SetEventByHandle(std::uintptr_t handle);

 private:
  friend int WaitForAny(std::initializer_list<TMPEvent*> events, int milliseconds);
  struct Waiter;
  bool TryConsume();  // under mutex_
  void AddWaiter(Waiter* waiter);
  void RemoveWaiter(Waiter* waiter);

  mutable std::mutex mutex_;
  bool signalled_;
  const bool manual_reset_;
  std::vector<Waiter*> waiters_;  // WaitForAny calls waiting on this event among others
};

// The program creates every event this way: manual reset, not signalled.
class TMPSimpleEvent : public TMPEvent {
 public:
  TMPSimpleEvent() : TMPEvent(true, false) {}
};

// Waits until one of the events is signalled: returns kWaitObject0 + its index (the first
// signalled one in list order wins), or kWaitTimeout. kInfinite waits for ever.
int WaitForAny(std::initializer_list<TMPEvent*> events, int milliseconds);

}  // namespace yumekaze::engine

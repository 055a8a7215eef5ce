// Locks of the playback engine.
#pragma once

#include <mutex>

namespace yumekaze::engine {

// A lock with overridable Lock/Unlock. lock()/unlock() make every derived lock usable with
// std::lock_guard and std::scoped_lock.
class TMPAbstractMutex {
 public:
  virtual ~TMPAbstractMutex() = default;
  virtual void Lock() = 0;
  virtual void Unlock() = 0;

  void lock() { Lock(); }
  void unlock() { Unlock(); }
};

// Re-entrant for the thread that holds it: the sound output's Write holds its buffer lock while
// queueing a full buffer takes it again.
class TMPSimpleMutex : public TMPAbstractMutex {
 public:
  void Lock() override { mutex_.lock(); }
  void Unlock() override { mutex_.unlock(); }

 private:
  std::recursive_mutex mutex_;
};

}  // namespace yumekaze::engine

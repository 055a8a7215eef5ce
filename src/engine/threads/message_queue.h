// A queue of posted messages taken out in order, with an event that is signalled while messages
// wait, so that a thread can wait on it together with other events (WaitForAny).
#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>

#include "engine/threads/event.h"
#include "engine/threads/thread_messages.h"

namespace yumekaze::engine {

class TMPMessageQueue {
 public:
  TMPMessageQueue() : not_empty_(true, false) {}

  void Post(const TMPMessage& message);
  // The oldest message, or nothing when the queue is empty.
  std::optional<TMPMessage> Take();
  // Whether a message with this number waits (looked up without removing it).
  bool Contains(uint32_t msg) const;
  // Takes every waiting message with this number out; returns how many there were.
  int RemoveAll(uint32_t msg);
  void Clear();
  bool Empty() const;

  // Signalled exactly while the queue holds a message.
  TMPEvent& NotEmpty() { return not_empty_; }

 private:
  void UpdateSignal();  // under mutex_

  mutable std::mutex mutex_;
  std::deque<TMPMessage> messages_;
  TMPEvent not_empty_;
};

}  // namespace yumekaze::engine

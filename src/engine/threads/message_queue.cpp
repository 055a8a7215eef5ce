#include "engine/threads/message_queue.h"

#include <algorithm>

namespace yumekaze::engine {

void TMPMessageQueue::Post(const TMPMessage& message) {
  std::lock_guard lock(mutex_);
  messages_.push_back(message);
  UpdateSignal();
}

std::optional<TMPMessage> TMPMessageQueue::Take() {
  std::lock_guard lock(mutex_);
  if (messages_.empty()) return std::nullopt;
  TMPMessage message = messages_.front();
  messages_.pop_front();
  UpdateSignal();
  return message;
}

bool TMPMessageQueue::Contains(uint32_t msg) const {
  std::lock_guard lock(mutex_);
  return std::any_of(messages_.begin(), messages_.end(),
                     [msg](const TMPMessage& message) { return message.Msg == msg; });
}

int TMPMessageQueue::RemoveAll(uint32_t msg) {
  std::lock_guard lock(mutex_);
  const auto removed = std::erase_if(
      messages_, [msg](const TMPMessage& message) { return message.Msg == msg; });
  UpdateSignal();
  return static_cast<int>(removed);
}

void TMPMessageQueue::Clear() {
  std::lock_guard lock(mutex_);
  messages_.clear();
  UpdateSignal();
}

bool TMPMessageQueue::Empty() const {
  std::lock_guard lock(mutex_);
  return messages_.empty();
}

void TMPMessageQueue::UpdateSignal() {
  if (messages_.empty()) {
    not_empty_.ResetEvent();
  } else {
    not_empty_.SetEvent();
  }
}

}  // namespace yumekaze::engine

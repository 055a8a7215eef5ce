// TMPMailbox: how a thread of its own posts its result to the player's window when the player may
// be gone by then. The threads share the mailbox; the owner closes it on going away, after which
// nothing more is posted and Post reports that the result was not handed over.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>

#include "engine/player/message_window.h"

namespace yumekaze::engine {

class TMPMailbox {
 public:
  static std::shared_ptr<TMPMailbox> For(TMPMessageWindow& window, uint32_t msg);

  // True when the message was posted (the receiver then owns what lParam carries).
  bool Post(std::uintptr_t wParam, std::intptr_t lParam);
  void Close();

 private:
  std::mutex mutex_;
  TMPMessageWindow* window_ = nullptr;  // null once closed
  uint32_t msg_ = 0;
};

}  // namespace yumekaze::engine

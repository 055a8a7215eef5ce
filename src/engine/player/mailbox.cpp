#include "engine/player/mailbox.h"

namespace yumekaze::engine {

std::shared_ptr<TMPMailbox> TMPMailbox::For(TMPMessageWindow& window, uint32_t msg) {
  auto mailbox = std::make_shared<TMPMailbox>();
  mailbox->window_ = &window;
  mailbox->msg_ = msg;
  return mailbox;
}

bool TMPMailbox::Post(std::uintptr_t wParam, std::intptr_t lParam) {
  std::lock_guard lock(mutex_);
  return window_ != nullptr && window_->Post(msg_, wParam, lParam);
}

void TMPMailbox::Close() {
  std::lock_guard lock(mutex_);
  window_ = nullptr;
}

}  // namespace yumekaze::engine

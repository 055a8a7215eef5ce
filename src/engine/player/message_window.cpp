#include "engine/player/message_window.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace yumekaze::engine {

TMPMessageWindow::TMPMessageWindow(Procedure procedure) : procedure_(std::move(procedure)) {
  notify_fd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (notify_fd_ < 0) {
    throw std::system_error(errno, std::generic_category(), "eventfd");
  }
}

TMPMessageWindow::~TMPMessageWindow() {
  Destroy();
  close(notify_fd_);
}

void TMPMessageWindow::PostMessage(uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) {
  Post(msg, wParam, lParam);
}

bool TMPMessageWindow::Post(uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) {
  std::function<void()> wake;
  {
    std::lock_guard lock(mutex_);
    const bool was_empty = queue_.Empty();
    if (!PostLocked(TMPMessage{msg, wParam, lParam, 0})) return false;
    if (was_empty) wake = wake_handler_;
  }
  if (wake) wake();
  return true;
}

bool TMPMessageWindow::PostUnlessPending(uint32_t msg, std::uintptr_t wParam,
                                         std::intptr_t lParam) {
  std::function<void()> wake;
  {
    std::lock_guard lock(mutex_);
    if (queue_.Contains(msg)) return false;
    const bool was_empty = queue_.Empty();
    if (!PostLocked(TMPMessage{msg, wParam, lParam, 0})) return false;
    if (was_empty) wake = wake_handler_;
  }
  if (wake) wake();
  return true;
}

bool TMPMessageWindow::PostLocked(const TMPMessage& message) {
  if (destroyed_) return false;
  queue_.Post(message);
  UpdateNotify();
  return true;
}

bool TMPMessageWindow::IsPending(uint32_t msg) const {
  std::lock_guard lock(mutex_);
  return queue_.Contains(msg);
}

int TMPMessageWindow::RemovePending(uint32_t msg) {
  std::lock_guard lock(mutex_);
  const int removed = queue_.RemoveAll(msg);
  UpdateNotify();
  return removed;
}

int TMPMessageWindow::ProcessPending() {
  int dispatched = 0;
  for (;;) {
    std::optional<TMPMessage> message;
    {
      std::lock_guard lock(mutex_);
      message = queue_.Take();
      UpdateNotify();
    }
    if (!message) return dispatched;
    ++dispatched;
    if (procedure_) procedure_(*message);
  }
}

bool TMPMessageWindow::WaitForMessages(int milliseconds) {
  return queue_.NotEmpty().WaitFor(milliseconds) == kWaitObject0;
}

void TMPMessageWindow::SetWakeHandler(std::function<void()> handler) {
  std::lock_guard lock(mutex_);
  wake_handler_ = std::move(handler);
}

std::vector<TMPMessage> TMPMessageWindow::Destroy() {
  std::vector<TMPMessage> waiting;
  std::lock_guard lock(mutex_);
  destroyed_ = true;
  while (auto message = queue_.Take()) waiting.push_back(*message);
  UpdateNotify();
  return waiting;
}

bool TMPMessageWindow::Exists() const {
  std::lock_guard lock(mutex_);
  return !destroyed_;
}

// The descriptor's counter is non-zero exactly while the queue holds a message.
void TMPMessageWindow::UpdateNotify() {
  const bool waiting = !queue_.Empty();
  if (waiting == notify_raised_) return;
  if (waiting) {
    const uint64_t one = 1;
    [[maybe_unused]] const auto written = write(notify_fd_, &one, sizeof one);
  } else {
    uint64_t count = 0;
    [[maybe_unused]] const auto read_bytes = read(notify_fd_, &count, sizeof count);
  }
  notify_raised_ = waiting;
}

}  // namespace yumekaze::engine

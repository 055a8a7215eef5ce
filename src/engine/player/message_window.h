// The player's message window: a queue of posted messages that any thread may post to and that
// the user-interface thread drains. Messages are dispatched in the order they were posted; a
// waiting message can be looked up and removed by its number before it is handled.
//
// It knows no toolkit. A front end pumps it from its own event loop: watch NotifyFd() (readable
// while a message waits) or set a wake handler, and call ProcessPending() on the user-interface
// thread. A plain loop may block in WaitForMessages() instead.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "engine/threads/message_queue.h"
#include "engine/threads/thread_messages.h"

namespace yumekaze::engine {

class TMPMessageWindow final : public TMPMessagePoster {
 public:
  // Called on the user-interface thread for every message, in posting order.
  using Procedure = std::function<void(TMPMessage& message)>;

  explicit TMPMessageWindow(Procedure procedure);
  ~TMPMessageWindow();
  TMPMessageWindow(const TMPMessageWindow&) = delete;
  TMPMessageWindow& operator=(const TMPMessageWindow&) = delete;

  // Any thread. Once the window is destroyed posts are dropped.
  void PostMessage(uint32_t msg, std::uintptr_t wParam = 0, std::intptr_t lParam = 0) override;
  // As PostMessage; false when the message was dropped because the window is destroyed.
  bool Post(uint32_t msg, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);
  // Posts unless a message of this number is waiting already; true when it posted.
  bool PostUnlessPending(uint32_t msg, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);
  // Whether a message of this number waits (looked up without removing it).
  bool IsPending(uint32_t msg) const;
  // Takes every waiting message of this number out; returns how many there were.
  int RemovePending(uint32_t msg);

  // User-interface thread: dispatches the waiting messages, also those posted meanwhile, until
  // none waits. Returns how many were dispatched. A procedure that runs a nested event loop (a
  // modal dialog) may call it again; the nested call goes on with the messages behind.
  int ProcessPending();
  // Blocks until a message waits or the time (kInfinite: no limit) is up; true when one waits.
  bool WaitForMessages(int milliseconds);
  // A file descriptor that polls readable exactly while a message waits. Owned by the window.
  int NotifyFd() const { return notify_fd_; }
  // Called on the posting thread whenever a post finds the queue empty; the handler must only
  // schedule a ProcessPending() call on the user-interface thread.
  void SetWakeHandler(std::function<void()> handler);

  // Destroys the window: later posts are dropped. Returns the messages that were still waiting,
  // so that their owner can release what they carry.
  std::vector<TMPMessage> Destroy();
  bool Exists() const;

 private:
  bool PostLocked(const TMPMessage& message);  // under mutex_
  void UpdateNotify();                         // under mutex_

  Procedure procedure_;
  mutable std::mutex mutex_;
  TMPMessageQueue queue_;
  std::function<void()> wake_handler_;
  bool destroyed_ = false;
  bool notify_raised_ = false;
  int notify_fd_ = -1;
};

}  // namespace yumekaze::engine

// Message records and the numbers the loop threads use among themselves.
#pragma once

#include <cstdint>

namespace yumekaze::engine {

inline constexpr uint32_t WM_USER = 0x400;
inline constexpr uint32_t MPM_QUIT = WM_USER + 30;     // leave the loop; the thread ends
inline constexpr uint32_t MPM_WORK = WM_USER + 31;     // the loop thread's work event is signalled
inline constexpr uint32_t MPM_SYNC = WM_USER + 32;     // wParam: TMPEvent::Handle() to set
inline constexpr uint32_t MPM_TIMEOUT = WM_USER + 33;  // the loop thread's wait timed out

struct TMPMessage {
  uint32_t Msg = 0;
  std::uintptr_t WParam = 0;
  std::intptr_t LParam = 0;
  std::intptr_t Result = 0;
};

// Whatever receives a loop thread's messages: dispatch by number, ignoring unknown ones.
class TMPMessageHandler {
 public:
  virtual void Dispatch(TMPMessage& message) = 0;

 protected:
  ~TMPMessageHandler() = default;
};

// Whatever messages can be posted to from any thread (a loop thread, a message window).
class TMPMessagePoster {
 public:
  virtual void PostMessage(uint32_t msg, std::uintptr_t wParam = 0, std::intptr_t lParam = 0) = 0;

 protected:
  ~TMPMessagePoster() = default;
};

}  // namespace yumekaze::engine

// A wave device with a thread of its own for the calls that may take long: an Open that waits
// seconds for a sound server that does not answer, a Close that waits for an output stuck in a
// write. The sound output hands those calls over and goes on at once. The thread keeps the keeper,
// and with it the device, alive until its calls are done, so the sound output may be gone by then:
// the device's notices reach it only while it is attached.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include "engine/sound/wave_device.h"
#include "engine/threads/thread_messages.h"

namespace yumekaze::engine {

class TWaveDeviceKeeper final : public TMPMessagePoster,
                                public std::enable_shared_from_this<TWaveDeviceKeeper> {
 public:
  // Make it with std::make_shared: the thread shares its ownership.
  explicit TWaveDeviceKeeper(std::unique_ptr<TWaveDevice> device) : device_(std::move(device)) {}

  TWaveDevice& Device() const { return *device_; }

  // Where the device's notices go; nullptr drops them from the return on.
  void Attach(TMPMessagePoster* target);
  // The device posts here (its Open is given the keeper), and so do the keeper's own results.
  void PostMessage(uint32_t msg, std::uintptr_t wParam = 0, std::intptr_t lParam = 0) override;

  // Opens the device on the keeper's thread, after the calls handed over before, and after
  // `prepare` has set the device up there. Its result is posted as `message` (wParam: the ticket
  // returned here, lParam: the result code) unless the open was abandoned first; an abandoned
  // open that succeeds is closed again, and one abandoned for a later open before it began is not
  // tried.
  uint64_t OpenLater(const TWaveFormat& format, std::function<void(TWaveDevice&)> prepare,
                     uint32_t message);
  // Gives the open `ticket` up. True when it had already succeeded and been posted: the device is
  // open then, and closing it is the caller's.
  bool Abandon(uint64_t ticket);
  // Closes the device on the keeper's thread, however long the output takes to let go.
  void CloseLater();
  // Whether calls handed over are still under way.
  bool Busy();

 private:
  void Run(std::function<void()> job);
  void RunJobs();
  void CloseNow();

  std::mutex mutex_;  // guards everything below but the device
  TMPMessagePoster* target_ = nullptr;
  std::deque<std::function<void()>> jobs_;
  bool running_ = false;  // a thread runs the jobs
  uint64_t tickets_ = 0;
  uint64_t wanted_ = 0;                  // the open whose result is still wanted; 0 none
  uint64_t succeeded_ = 0;               // the last open that succeeded and was posted
  std::unique_ptr<TWaveDevice> device_;  // last: it goes before the state its thread reads
};

}  // namespace yumekaze::engine

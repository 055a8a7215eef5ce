// A sound device whose output never takes a byte, like a sound server that stopped answering:
// every write waits until a command or Close interrupts it, and then stalls again.
#pragma once

#include <poll.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>

#include "platform/audio/queued_wave_device.h"

namespace yumekaze::engine::testing {

class StalledWaveDevice final : public platform::TQueuedWaveDevice {
 public:
  ~StalledWaveDevice() override { Shutdown(); }
  std::string ErrorText(int) const override { return {}; }

  // Waits until the device thread sits in a write; false when it does not within the limit.
  bool WaitForStall(std::chrono::seconds limit) {
    std::unique_lock lock(mutex_);
    return stalled_changed_.wait_for(lock, limit, [this] { return stalled_; });
  }

 private:
  int OpenOutput(const TWaveFormat&) override { return kWaveNoError; }
  void CloseOutput() override {}
  int WriteOutput(std::span<const uint8_t>, std::size_t& written) override {
    SetStalled(true);
    pollfd interrupt{InterruptFd(), POLLIN, 0};
    while (!Interrupted()) poll(&interrupt, 1, -1);
    SetStalled(false);
    written = 0;
    return kWaveNoError;
  }
  void SetStalled(bool stalled) {
    {
      std::lock_guard lock(mutex_);
      stalled_ = stalled;
    }
    stalled_changed_.notify_all();
  }

  std::mutex mutex_;
  std::condition_variable stalled_changed_;
  bool stalled_ = false;
};

}  // namespace yumekaze::engine::testing

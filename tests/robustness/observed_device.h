// A null device that keeps what the player did with it: whether it is open and paused, the
// volume last set, the bytes written, and calls the device's state does not allow. The state is
// shared, so that a test still reads it once the player owns the device.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "engine/sound/wave_device.h"

namespace yumekaze::robustness {

struct DeviceState {
  bool open = false;
  bool paused = false;
  uint32_t volume = 0;
  bool volume_set = false;
  int opens = 0;
  int closes = 0;
  int64_t bytes_written = 0;
  std::string misuse;  // the first call the state did not allow, empty when none
};

class DeviceObserver {
 public:
  DeviceState State() const {
    std::lock_guard lock(mutex_);
    return state_;
  }

 private:
  friend class ObservedDevice;
  mutable std::mutex mutex_;
  DeviceState state_;
};

class ObservedDevice final : public engine::TWaveDevice {
 public:
  // speed: the null device's, 0 consumes at once.
  ObservedDevice(double speed, std::shared_ptr<DeviceObserver> observer);
  ~ObservedDevice() override;

  int Open(const engine::TWaveFormat& format, engine::TMPMessagePoster& notify) override;
  int Close() override;
  int Prepare(engine::TWaveHeader& header) override;
  int Unprepare(engine::TWaveHeader& header) override;
  int Write(engine::TWaveHeader& header) override;
  int Pause() override;
  int Restart() override;
  int Reset() override;
  int GetVolume(uint32_t& volume) override;
  int SetVolume(uint32_t volume) override;
  std::string ErrorText(int code) const override;

 private:
  void Misuse(const char* call);  // under the observer's mutex

  std::unique_ptr<engine::TWaveDevice> inner_;
  std::shared_ptr<DeviceObserver> observer_;
};

}  // namespace yumekaze::robustness

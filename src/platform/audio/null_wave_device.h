// A sound device without sound: consumes every buffer in the time it would take to play (scaled
// by a speed factor), with the same completion notices as a real device. It never fails, so it
// serves machines without a sound card and tests.
#pragma once

#include "platform/audio/queued_wave_device.h"
#include "platform/audio/real_time_pacer.h"

namespace yumekaze::platform {

class TNullWaveDevice final : public TQueuedWaveDevice {
 public:
  // speed 1 is real time; 0 or less consumes at once.
  explicit TNullWaveDevice(double speed = 1.0) : pacer_(speed) {}
  ~TNullWaveDevice() override { Shutdown(); }

  std::string ErrorText(int code) const override;
  std::string Name() const override { return "null"; }

 private:
  int OpenOutput(const engine::TWaveFormat& format) override;
  void CloseOutput() override {}
  int WriteOutput(std::span<const uint8_t> pcm, std::size_t& written) override;

  TRealTimePacer pacer_;
};

}  // namespace yumekaze::platform

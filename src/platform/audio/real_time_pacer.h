// Keeps a consumer of PCM to the pace at which the audio would play, scaled by a speed factor.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace yumekaze::platform {

class TRealTimePacer {
 public:
  // speed 1 is real time, 100 a hundred times faster; 0 or less does not pace at all.
  explicit TRealTimePacer(double speed = 1.0) : speed_(speed) {}

  double Speed() const { return speed_; }
  void Start(uint32_t bytesPerSecond);
  // Sleeps until `bytes` more would have been played. After a gap (a pause, no data) the clock
  // starts again from now rather than catching up.
  void Consume(std::size_t bytes);

 private:
  double speed_;
  uint32_t bytes_per_second_ = 0;
  std::chrono::steady_clock::time_point due_{};
};

}  // namespace yumekaze::platform

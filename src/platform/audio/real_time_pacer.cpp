#include "platform/audio/real_time_pacer.h"

#include <thread>

namespace yumekaze::platform {

void TRealTimePacer::Start(uint32_t bytesPerSecond) {
  bytes_per_second_ = bytesPerSecond;
  due_ = {};
}

void TRealTimePacer::Consume(std::size_t bytes) {
  if (speed_ <= 0 || bytes_per_second_ == 0) return;
  // Oversleeping a little does not restart the clock (that would drift slower than real time);
  // a gap longer than this does.
  constexpr auto kGap = std::chrono::milliseconds(50);
  const auto now = std::chrono::steady_clock::now();
  if (due_ + kGap < now) due_ = now;
  due_ += std::chrono::duration_cast<std::chrono::steady_clock::duration>(
      std::chrono::duration<double>(static_cast<double>(bytes) / bytes_per_second_ / speed_));
  std::this_thread::sleep_until(due_);
}

}  // namespace yumekaze::platform

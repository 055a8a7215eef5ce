#include "platform/audio/null_wave_device.h"

namespace yumekaze::platform {

std::string TNullWaveDevice::ErrorText(int code) const { return engine::CommonWaveErrorText(code); }

int TNullWaveDevice::OpenOutput(const engine::TWaveFormat& format) {
  pacer_.Start(format.AvgBytesPerSec);
  return engine::kWaveNoError;
}

int TNullWaveDevice::WriteOutput(std::span<const uint8_t> pcm, std::size_t& written) {
  pacer_.Consume(pcm.size());
  written = pcm.size();
  return engine::kWaveNoError;
}

}  // namespace yumekaze::platform

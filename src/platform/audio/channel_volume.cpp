#include "platform/audio/channel_volume.h"

namespace yumekaze::platform {

namespace {

constexpr uint32_t kUnity = 0xFFFF;

int32_t Scale(int32_t sample, uint32_t gain) {
  return static_cast<int32_t>(int64_t{sample} * gain / kUnity);
}

}  // namespace

void ApplyChannelVolume(std::span<uint8_t> pcm, int bitsPerSample, int channels, uint32_t volume) {
  const uint32_t gains[2] = {volume & 0xFFFF, channels == 1 ? volume & 0xFFFF : volume >> 16};
  if (gains[0] == kUnity && gains[1] == kUnity) return;
  const std::size_t sampleBytes = bitsPerSample == 8 ? 1 : 2;
  const std::size_t frameBytes = sampleBytes * static_cast<std::size_t>(channels);
  const std::size_t whole = pcm.size() / frameBytes * frameBytes;
  for (std::size_t offset = 0; offset < whole; offset += sampleBytes) {
    const uint32_t gain = gains[(offset / sampleBytes) % static_cast<std::size_t>(channels) % 2];
    uint8_t* at = pcm.data() + offset;
    if (sampleBytes == 1) {
      *at = static_cast<uint8_t>(Scale(int32_t{*at} - 128, gain) + 128);
    } else {
      const auto sample = static_cast<int16_t>(static_cast<uint16_t>(at[0] | (at[1] << 8)));
      const auto scaled = static_cast<uint16_t>(Scale(sample, gain));
      at[0] = static_cast<uint8_t>(scaled & 0xFF);
      at[1] = static_cast<uint8_t>(scaled >> 8);
    }
  }
}

}  // namespace yumekaze::platform

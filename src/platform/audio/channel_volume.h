// Software volume: scales interleaved PCM by a gain per channel.
#pragma once

#include <cstdint>
#include <span>

namespace yumekaze::platform {

// `volume` holds the left gain in its low word and the right gain in its high word, 0..0xFFFF
// (0xFFFF leaves the samples as they are). Mono audio takes the left gain. Samples are signed
// 16-bit little-endian or unsigned 8-bit; a trailing partial frame is left alone.
void ApplyChannelVolume(std::span<uint8_t> pcm, int bitsPerSample, int channels, uint32_t volume);

}  // namespace yumekaze::platform

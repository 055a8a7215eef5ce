#include "engine/sound/wave_device.h"

namespace yumekaze::engine {

std::string CommonWaveErrorText(int code) {
  switch (code) {
    case kWaveNoDevice: return "No sound output device is available.";
    case kWaveAllocated: return "The sound output device is already open.";
    case kWaveBusy: return "The sound output device does not answer.";
    case kWaveInvalidParam: return "An invalid parameter was passed to the sound output device.";
    case kWaveNotOpen: return "The sound output device is not open.";
    case kWaveBadFormat: return "The sound output device cannot play this format.";
    case kWaveStillPlaying: return "The sound output device is still playing.";
    case kWaveNotPrepared: return "The buffer was not prepared.";
    default: return {};
  }
}

TWaveFormat TWaveFormat::Pcm(uint32_t sampleRate, uint16_t channels, uint16_t bitsPerSample) {
  TWaveFormat format;
  format.FormatTag = 1;
  format.Channels = channels;
  format.SamplesPerSec = sampleRate;
  format.BitsPerSample = bitsPerSample;
  format.BlockAlign = static_cast<uint16_t>(channels * bitsPerSample / 8);
  format.AvgBytesPerSec = sampleRate * format.BlockAlign;
  return format;
}

}  // namespace yumekaze::engine

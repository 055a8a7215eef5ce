#include "platform/audio/alsa_wave_device.h"

#include <cerrno>

#include "platform/audio/alsa_messages.h"

namespace yumekaze::platform {

std::string TAlsaWaveDevice::ErrorText(int code) const {
  if (code < 0) return snd_strerror(code);
  return engine::CommonWaveErrorText(code);
}

int TAlsaWaveDevice::OpenOutput(const engine::TWaveFormat& format) {
  SilenceAlsaLibraryMessages();
  snd_pcm_t* raw = nullptr;
  // Opened non-blocking so that a busy device fails at once instead of waiting for its owner.
  int result = snd_pcm_open(&raw, name_.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
  if (result < 0) return result;
  std::unique_ptr<snd_pcm_t, PcmCloser> pcm(raw);
  if ((result = snd_pcm_nonblock(pcm.get(), 0)) < 0) return result;
  const snd_pcm_format_t sampleFormat =
      format.BitsPerSample == 8 ? SND_PCM_FORMAT_U8 : SND_PCM_FORMAT_S16_LE;
  result = snd_pcm_set_params(pcm.get(), sampleFormat, SND_PCM_ACCESS_RW_INTERLEAVED,
                              format.Channels, format.SamplesPerSec, 1, kLatencyMicroseconds);
  if (result < 0) return result;
  snd_pcm_uframes_t bufferFrames = 0;
  if ((result = snd_pcm_get_params(pcm.get(), &bufferFrames, &period_frames_)) < 0) return result;

  snd_pcm_hw_params_t* hw = nullptr;
  snd_pcm_hw_params_alloca(&hw);
  if ((result = snd_pcm_hw_params_current(pcm.get(), hw)) < 0) return result;
  can_pause_ = snd_pcm_hw_params_can_pause(hw) == 1;

  // Start as soon as one period is queued, so that a short last buffer plays too.
  snd_pcm_sw_params_t* sw = nullptr;
  snd_pcm_sw_params_alloca(&sw);
  if ((result = snd_pcm_sw_params_current(pcm.get(), sw)) < 0 ||
      (result = snd_pcm_sw_params_set_start_threshold(pcm.get(), sw, period_frames_)) < 0 ||
      (result = snd_pcm_sw_params(pcm.get(), sw)) < 0) {
    return result;
  }
  frame_bytes_ = format.BlockAlign;
  pcm_ = std::move(pcm);
  return engine::kWaveNoError;
}

std::size_t TAlsaWaveDevice::ChunkBytes(const engine::TWaveFormat& format) const {
  return static_cast<std::size_t>(period_frames_) * format.BlockAlign;
}

std::size_t TAlsaWaveDevice::FrameBytes(const engine::TWaveFormat& format) const {
  return format.BlockAlign;
}

int TAlsaWaveDevice::WriteOutput(std::span<const uint8_t> pcm) {
  const uint8_t* data = pcm.data();
  auto frames = static_cast<snd_pcm_uframes_t>(pcm.size() / frame_bytes_);
  while (frames > 0) {
    const snd_pcm_sframes_t written = snd_pcm_writei(pcm_.get(), data, frames);
    if (written < 0) {
      // An underrun (nothing queued in time) or a suspend: prepare again and go on.
      const int recovered = snd_pcm_recover(pcm_.get(), static_cast<int>(written), 1);
      if (recovered < 0) return recovered;
      continue;
    }
    data += static_cast<std::size_t>(written) * frame_bytes_;
    frames -= static_cast<snd_pcm_uframes_t>(written);
  }
  return engine::kWaveNoError;
}

int64_t TAlsaWaveDevice::UnplayedBytes() {
  switch (snd_pcm_state(pcm_.get())) {
    case SND_PCM_STATE_RUNNING:
    case SND_PCM_STATE_PREPARED:
    case SND_PCM_STATE_PAUSED:
    case SND_PCM_STATE_DRAINING: {
      snd_pcm_sframes_t delay = 0;
      if (snd_pcm_delay(pcm_.get(), &delay) < 0 || delay < 0) return 0;
      return static_cast<int64_t>(delay) * static_cast<int64_t>(frame_bytes_);
    }
    default:
      // Stopped by an underrun: everything written has been played.
      return 0;
  }
}

void TAlsaWaveDevice::WhileDraining() {
  // Less than the start threshold is queued and nothing more comes: start it by hand.
  if (snd_pcm_state(pcm_.get()) == SND_PCM_STATE_PREPARED) snd_pcm_start(pcm_.get());
}

int TAlsaWaveDevice::PauseOutput(int64_t& rewindBytes) {
  rewindBytes = 0;
  if (snd_pcm_state(pcm_.get()) != SND_PCM_STATE_RUNNING) return engine::kWaveNoError;
  if (can_pause_) return snd_pcm_pause(pcm_.get(), 1);
  // No pause in this device: drop what it holds and write that part again at restart.
  rewindBytes = UnplayedBytes();
  snd_pcm_drop(pcm_.get());
  return snd_pcm_prepare(pcm_.get());
}

int TAlsaWaveDevice::RestartOutput() {
  if (snd_pcm_state(pcm_.get()) != SND_PCM_STATE_PAUSED) return engine::kWaveNoError;
  return snd_pcm_pause(pcm_.get(), 0);
}

void TAlsaWaveDevice::DropOutput() {
  snd_pcm_drop(pcm_.get());
  snd_pcm_prepare(pcm_.get());
}

}  // namespace yumekaze::platform

#include "platform/audio/alsa_wave_device.h"

#include <poll.h>

#include <cerrno>

#include "platform/audio/alsa_messages.h"

namespace yumekaze::platform {

std::string TAlsaWaveDevice::ErrorText(int code) const {
  // A device unplugged while playing: say which one went.
  if (code == -ENODEV) return std::string(snd_strerror(code)) + ": " + name_;
  if (code < 0) return snd_strerror(code);
  return engine::CommonWaveErrorText(code);
}

int TAlsaWaveDevice::OpenOutput(const engine::TWaveFormat& format) {
  SilenceAlsaLibraryMessages();
  snd_pcm_t* raw = nullptr;
  // Non-blocking: a busy device fails at once instead of waiting for its owner, and writes wait
  // in poll, where a command or Close can interrupt them.
  int result = snd_pcm_open(&raw, name_.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
  if (result < 0) return result;
  std::unique_ptr<snd_pcm_t, PcmCloser> pcm(raw);
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
  const int descriptors = snd_pcm_poll_descriptors_count(pcm.get());
  if (descriptors < 0) return descriptors;
  poll_fds_.assign(static_cast<std::size_t>(descriptors) + 1, pollfd{});
  if ((result = snd_pcm_poll_descriptors(pcm.get(), poll_fds_.data(),
                                         static_cast<unsigned>(descriptors))) < 0) {
    return result;
  }
  poll_fds_.back() = pollfd{InterruptFd(), POLLIN, 0};
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

int TAlsaWaveDevice::WriteOutput(std::span<const uint8_t> pcm, std::size_t& written) {
  written = 0;
  while (pcm.size() - written >= frame_bytes_) {
    const auto frames = static_cast<snd_pcm_uframes_t>((pcm.size() - written) / frame_bytes_);
    const snd_pcm_sframes_t result = snd_pcm_writei(pcm_.get(), pcm.data() + written, frames);
    if (result >= 0) {
      written += static_cast<std::size_t>(result) * frame_bytes_;
      continue;
    }
    if (result == -ENODEV) return static_cast<int>(result);  // unplugged: it stays gone
    if (result == -EAGAIN || result == -ESTRPIPE) {
      if (Interrupted()) return engine::kWaveNoError;
      if (result == -ESTRPIPE) {
        // Suspended: resume once the system lets us, else start over from a prepared state.
        const int resumed = snd_pcm_resume(pcm_.get());
        if (resumed == -EAGAIN) {
          WaitForRoom(kSuspendRetryMilliseconds, true);
        } else if (resumed < 0 && snd_pcm_prepare(pcm_.get()) < 0) {
          return resumed;
        }
        continue;
      }
      if (const int waited = WaitForRoom(kRoomWaitMilliseconds, false); waited < 0) return waited;
      continue;
    }
    // An underrun (nothing queued in time): prepare again and go on.
    const int recovered = snd_pcm_recover(pcm_.get(), static_cast<int>(result), 1);
    if (recovered < 0) return recovered;
  }
  return engine::kWaveNoError;
}

// Waits until the device takes more, the time is up or the device thread is interrupted.
int TAlsaWaveDevice::WaitForRoom(int milliseconds, bool interruptOnly) {
  pollfd* fds = poll_fds_.data();
  auto count = static_cast<nfds_t>(poll_fds_.size());
  if (interruptOnly) {
    fds = &poll_fds_.back();
    count = 1;
  }
  const int ready = poll(fds, count, milliseconds);
  if (ready < 0) return errno == EINTR ? engine::kWaveNoError : -errno;
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

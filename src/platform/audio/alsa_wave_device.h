// The sound card through ALSA (on desktops PipeWire or PulseAudio serve its "default" device).
// Its device thread feeds the PCM period by period without blocking (it waits in poll), recovers
// from underruns and suspends, and stops for good when the device disappears; a buffer is
// reported done only once ALSA's delay shows its last frame has been played.
#pragma once

#include <alsa/asoundlib.h>
#include <poll.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/audio/queued_wave_device.h"

namespace yumekaze::platform {

class TAlsaWaveDevice final : public TQueuedWaveDevice {
 public:
  // `name` is an ALSA device string: "default", "hw:1", "file:'/tmp/out.raw',raw", ...
  explicit TAlsaWaveDevice(std::string name = "default") : name_(std::move(name)) {}
  ~TAlsaWaveDevice() override { Shutdown(); }

  std::string Name() const override { return name_; }
  // Codes below 0 are ALSA's.
  std::string ErrorText(int code) const override;

  // How long ALSA buffers ahead of the sound card.
  static constexpr unsigned kLatencyMicroseconds = 200000;
  // How long a write waits in poll before it asks the device again (one that stopped answering
  // is asked again; a command wakes the wait at once).
  static constexpr int kRoomWaitMilliseconds = 1000;
  static constexpr int kSuspendRetryMilliseconds = 100;

 private:
  struct PcmCloser {
    void operator()(snd_pcm_t* pcm) const { snd_pcm_close(pcm); }
  };

  int OpenOutput(const engine::TWaveFormat& format) override;
  void CloseOutput() override { pcm_.reset(); }
  int WriteOutput(std::span<const uint8_t> pcm, std::size_t& written) override;
  int64_t UnplayedBytes() override;
  void WhileDraining() override;
  int PauseOutput(int64_t& rewindBytes) override;
  int RestartOutput() override;
  void DropOutput() override;
  int WaitForRoom(int milliseconds, bool interruptOnly);
  std::size_t ChunkBytes(const engine::TWaveFormat& format) const override;
  std::size_t FrameBytes(const engine::TWaveFormat& format) const override;

  std::string name_;
  std::unique_ptr<snd_pcm_t, PcmCloser> pcm_;
  std::vector<pollfd> poll_fds_;  // the device's, then the interrupt
  std::size_t frame_bytes_ = 4;
  snd_pcm_uframes_t period_frames_ = 0;
  bool can_pause_ = false;
};

}  // namespace yumekaze::platform

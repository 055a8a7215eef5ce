// Records what it is given into a WAV file: exactly the PCM bytes written to it, unscaled by the
// volume, paced like the null device or as fast as the disk takes them. Every Open starts the
// file anew; the header's sizes are completed when the device closes.
#pragma once

#include <array>
#include <cstdio>
#include <memory>
#include <string>

#include "platform/audio/queued_wave_device.h"
#include "platform/audio/real_time_pacer.h"

namespace yumekaze::platform {

class TWavFileWaveDevice final : public TQueuedWaveDevice {
 public:
  // speed 0 or less: unpaced.
  explicit TWavFileWaveDevice(std::string path, double speed = 0.0)
      : path_(std::move(path)), pacer_(speed) {}
  ~TWavFileWaveDevice() override { Shutdown(); }

  const std::string& Path() const { return path_; }
  std::string Name() const override { return path_; }
  // Codes below 0 are the negated errno of the failing file operation.
  std::string ErrorText(int code) const override;

 private:
  struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };

  int OpenOutput(const engine::TWaveFormat& format) override;
  void CloseOutput() override;
  int WriteOutput(std::span<const uint8_t> pcm, std::size_t& written) override;
  bool ScalesSamples() const override { return false; }
  int WriteHeader();

  std::string path_;
  TRealTimePacer pacer_;
  std::unique_ptr<std::FILE, FileCloser> file_;
  engine::TWaveFormat format_;
  uint64_t data_bytes_ = 0;
};

// The 44-byte header of a PCM WAV file holding `dataBytes` of samples (sizes capped at 4 GiB).
std::array<uint8_t, 44> WavHeader(const engine::TWaveFormat& format, uint64_t dataBytes);

}  // namespace yumekaze::platform

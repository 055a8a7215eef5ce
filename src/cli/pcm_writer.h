// Writes decoded PCM to a WAV file, a raw PCM file or standard output, in large blocks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace yumekaze::cli {

class PcmWriter {
 public:
  ~PcmWriter();
  PcmWriter(const PcmWriter&) = delete;
  PcmWriter& operator=(const PcmWriter&) = delete;

  // path "-" is standard output (raw PCM); a name ending in ".wav" gets a WAV file; any other
  // name raw PCM. Nothing is created before Begin, so input that fails to decode leaves an
  // existing file alone.
  explicit PcmWriter(std::string path) : path_(std::move(path)) {}

  // Creates the file with the format; a WAV file gets its header here (sizes are filled in by
  // Finish). False with errno set when the file cannot be created.
  bool Begin(int32_t channels, int32_t sampleRate);
  bool Write(const uint8_t* data, size_t size);
  // Whether Begin made a WAV file (one format for the whole file).
  bool Wav() const { return wav_; }
  // Flushes, completes the WAV header and closes. False (errno set) when anything failed.
  bool Finish();

 private:
  bool Flush();
  bool WriteAll(const uint8_t* data, size_t size);

  // Large enough that writes cost little, small enough to keep the process small.
  static constexpr size_t kBlockSize = 128 << 10;

  std::string path_;
  int fd_ = -1;
  bool ownsFd_ = false;
  bool wav_ = false;
  bool failed_ = false;
  int32_t channels_ = 0;
  int32_t sampleRate_ = 0;
  std::vector<uint8_t> pending_;
  uint64_t dataBytes_ = 0;
};

}  // namespace yumekaze::cli

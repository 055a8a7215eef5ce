#include "cli/pcm_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <limits>

namespace yumekaze::cli {
namespace {

constexpr size_t kWavHeaderSize = 44;

void PutLe(uint8_t* at, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

bool EndsWith(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() &&
         std::equal(suffix.rbegin(), suffix.rend(), text.rbegin(), [](char a, char b) {
           return std::tolower(static_cast<unsigned char>(a)) == b;
         });
}

// Canonical 44-byte PCM WAV header for 16-bit samples.
void FillWavHeader(uint8_t* h, int32_t channels, int32_t sampleRate, uint32_t dataBytes) {
  const uint32_t blockAlign = static_cast<uint32_t>(channels) * 2;
  std::copy_n("RIFF", 4, h);
  PutLe(h + 4, dataBytes + 36, 4);
  std::copy_n("WAVEfmt ", 8, h + 8);
  PutLe(h + 16, 16, 4);
  PutLe(h + 20, 1, 2);  // PCM
  PutLe(h + 22, static_cast<uint32_t>(channels), 2);
  PutLe(h + 24, static_cast<uint32_t>(sampleRate), 4);
  PutLe(h + 28, static_cast<uint32_t>(sampleRate) * blockAlign, 4);
  PutLe(h + 32, blockAlign, 2);
  PutLe(h + 34, 16, 2);
  std::copy_n("data", 4, h + 36);
  PutLe(h + 40, dataBytes, 4);
}

}  // namespace

PcmWriter::~PcmWriter() {
  if (ownsFd_) ::close(fd_);
}

bool PcmWriter::Begin(int32_t channels, int32_t sampleRate) {
  if (path_ == "-") {
    fd_ = STDOUT_FILENO;
  } else {
    fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd_ < 0) return false;
    ownsFd_ = true;
    wav_ = EndsWith(path_, ".wav");
  }
  pending_.reserve(kBlockSize);
  if (!wav_) return true;
  uint8_t header[kWavHeaderSize];
  // Sizes at their maximum until Finish knows them: readers of an unfinished file still play it.
  FillWavHeader(header, channels, sampleRate, std::numeric_limits<uint32_t>::max() - 36);
  channels_ = channels;
  sampleRate_ = sampleRate;
  return Write(header, sizeof header);
}

bool PcmWriter::Write(const uint8_t* data, size_t size) {
  dataBytes_ += size;
  if (pending_.size() + size > kBlockSize && !Flush()) return false;
  if (size >= kBlockSize) return WriteAll(data, size);
  pending_.insert(pending_.end(), data, data + size);
  return true;
}

bool PcmWriter::Flush() {
  const bool ok = WriteAll(pending_.data(), pending_.size());
  pending_.clear();
  return ok;
}

bool PcmWriter::WriteAll(const uint8_t* data, size_t size) {
  while (size > 0 && !failed_) {
    const ssize_t written = ::write(fd_, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      failed_ = true;
      break;
    }
    data += written;
    size -= static_cast<size_t>(written);
  }
  return !failed_;
}

bool PcmWriter::Finish() {
  if (fd_ < 0) return true;  // never begun
  bool ok = Flush();
  if (ok && wav_) {
    // A WAV file counts its data in 32 bits; longer output keeps the maximum.
    const uint64_t data = dataBytes_ - kWavHeaderSize;
    const uint32_t size =
        static_cast<uint32_t>(std::min<uint64_t>(data, std::numeric_limits<uint32_t>::max() - 36));
    uint8_t header[kWavHeaderSize];
    FillWavHeader(header, channels_, sampleRate_, size);
    ok = ::pwrite(fd_, header, sizeof header, 0) == static_cast<ssize_t>(sizeof header);
  }
  if (ownsFd_) {
    ok = ::close(fd_) == 0 && ok;
    ownsFd_ = false;
  }
  return ok;
}

}  // namespace yumekaze::cli

#include "platform/audio/wav_file_wave_device.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

namespace yumekaze::platform {

namespace {

void Put16(uint8_t* at, uint32_t value) {
  at[0] = static_cast<uint8_t>(value);
  at[1] = static_cast<uint8_t>(value >> 8);
}

void Put32(uint8_t* at, uint32_t value) {
  Put16(at, value & 0xFFFF);
  Put16(at + 2, value >> 16);
}

int LastFileError() { return errno != 0 ? -errno : -EIO; }

}  // namespace

std::array<uint8_t, 44> WavHeader(const engine::TWaveFormat& format, uint64_t dataBytes) {
  // RIFF sizes are 32-bit; an odd data chunk is followed by a pad byte.
  const uint64_t padded = dataBytes + (dataBytes & 1);
  const auto riffSize = static_cast<uint32_t>(std::min<uint64_t>(36 + padded, 0xFFFFFFFFu));
  const auto dataSize = static_cast<uint32_t>(std::min<uint64_t>(dataBytes, 0xFFFFFFFFu - 36));
  std::array<uint8_t, 44> header{};
  std::memcpy(header.data(), "RIFF", 4);
  Put32(&header[4], riffSize);
  std::memcpy(&header[8], "WAVEfmt ", 8);
  Put32(&header[16], 16);
  Put16(&header[20], format.FormatTag);
  Put16(&header[22], format.Channels);
  Put32(&header[24], format.SamplesPerSec);
  Put32(&header[28], format.AvgBytesPerSec);
  Put16(&header[32], format.BlockAlign);
  Put16(&header[34], format.BitsPerSample);
  std::memcpy(&header[36], "data", 4);
  Put32(&header[40], dataSize);
  return header;
}

std::string TWavFileWaveDevice::ErrorText(int code) const {
  if (code < 0) return std::strerror(-code);
  return engine::CommonWaveErrorText(code);
}

int TWavFileWaveDevice::OpenOutput(const engine::TWaveFormat& format) {
  errno = 0;
  file_.reset(std::fopen(path_.c_str(), "wb"));
  if (!file_) return LastFileError();
  format_ = format;
  data_bytes_ = 0;
  pacer_.Start(format.AvgBytesPerSec);
  return WriteHeader();
}

void TWavFileWaveDevice::CloseOutput() {
  if (!file_) return;
  if (data_bytes_ & 1) std::fputc(0, file_.get());
  WriteHeader();
  file_.reset();
}

int TWavFileWaveDevice::WriteOutput(std::span<const uint8_t> pcm, std::size_t& written) {
  errno = 0;
  if (std::fwrite(pcm.data(), 1, pcm.size(), file_.get()) != pcm.size()) return LastFileError();
  data_bytes_ += pcm.size();
  written = pcm.size();
  pacer_.Consume(pcm.size());
  return engine::kWaveNoError;
}

int TWavFileWaveDevice::WriteHeader() {
  const auto header = WavHeader(format_, data_bytes_);
  errno = 0;
  const long end = std::ftell(file_.get());
  if (std::fseek(file_.get(), 0, SEEK_SET) != 0 ||
      std::fwrite(header.data(), 1, header.size(), file_.get()) != header.size() ||
      std::fseek(file_.get(), std::max(end, 44L), SEEK_SET) != 0 || std::fflush(file_.get()) != 0) {
    return LastFileError();
  }
  return engine::kWaveNoError;
}

}  // namespace yumekaze::platform

// Test streams: a memory stream that hands out at most a given number of bytes per read (short
// reads, as pipes and network file systems give) and counts the reads and seeks made on it.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "engine/stream/memory_stream.h"

namespace yumekaze::engine::test_support {

class ScriptedStream final : public TMPStream {
 public:
  explicit ScriptedStream(std::vector<uint8_t> bytes, size_t max_read = SIZE_MAX)
      : inner_(std::move(bytes)), max_read_(max_read) {}

  size_t Read(uint8_t* buffer, size_t count) override {
    ++reads;
    const size_t n = inner_.Read(buffer, std::min(count, max_read_));
    bytes_read += n;
    return n;
  }
  int64_t Seek(int64_t offset, SeekOrigin origin) override {
    ++seeks;
    return inner_.Seek(offset, origin);
  }
  int64_t Size() override { return inner_.Size(); }

  int reads = 0;
  int seeks = 0;
  size_t bytes_read = 0;

 private:
  TMPMemoryStream inner_;
  size_t max_read_;
};

// Bytes whose value tells their offset (modulo a prime, so that shifts by powers of two show).
inline std::vector<uint8_t> Pattern(size_t size) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i % 251);
  return bytes;
}

}  // namespace yumekaze::engine::test_support

// Helpers of the decoder tests: files, a bit writer for hand-made frames, PCM comparison.
#pragma once

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace yumekaze::testing {

inline std::filesystem::path SharedDir() { return YUMEKAZE_SHARED_DIR; }

inline std::vector<uint8_t> ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Layer I and II conformance streams of the shared folder.
inline std::vector<std::string> Layer12StreamNames() {
  return {"l1-fl1",  "l1-fl2",  "l1-fl3",  "l1-fl4",  "l1-fl5",  "l1-fl6", "l1-fl7",
          "l2-fl10", "l2-fl11", "l2-fl12", "l2-fl13", "l2-fl14", "l2-fl15"};
}

// MSB-first bit writer for hand-made frames.
class BitWriter {
 public:
  void Put(uint32_t value, int bits) {
    for (int i = bits - 1; i >= 0; --i) {
      if (used_ % 8 == 0) bytes_.push_back(0);
      if ((value >> i) & 1) bytes_.back() |= static_cast<uint8_t>(0x80 >> (used_ % 8));
      ++used_;
    }
  }
  size_t BitCount() const { return used_; }
  // The bytes written, zero-padded to `size` bytes.
  std::vector<uint8_t> Bytes(size_t size) const {
    std::vector<uint8_t> out = bytes_;
    if (out.size() < size) out.resize(size, 0);
    return out;
  }

 private:
  std::vector<uint8_t> bytes_;
  size_t used_ = 0;
};

// ISO/IEC 11172-4 accuracy figures of a candidate against a reference, over the shorter length.
struct PcmDifference {
  double rms = 0;
  int max = 0;
  size_t compared = 0;
  bool FullAccuracy() const { return compared > 0 && rms <= 1 / std::sqrt(12.0) && max <= 2; }
};

inline PcmDifference ComparePcm(const std::vector<uint8_t>& reference,
                                const std::vector<uint8_t>& candidate) {
  PcmDifference result;
  const size_t samples = std::min(reference.size(), candidate.size()) / 2;
  double sumSquares = 0;
  for (size_t i = 0; i < samples; ++i) {
    const int r = static_cast<int16_t>(reference[2 * i] | (reference[2 * i + 1] << 8));
    const int c = static_cast<int16_t>(candidate[2 * i] | (candidate[2 * i + 1] << 8));
    const int d = std::abs(c - r);
    sumSquares += double(d) * d;
    result.max = std::max(result.max, d);
  }
  result.compared = samples;
  result.rms = samples ? std::sqrt(sumSquares / samples) : 0;
  return result;
}

}  // namespace yumekaze::testing

// Set-up arithmetic shared by all layers.
#include "decoder/decoder_setup.h"

#include <algorithm>

namespace yumekaze::decoder {

int32_t SampleRateHz(const MpegFrameHeader& header) {
  static constexpr int32_t kRates[2][4] = {{22050, 24000, 16000, 1}, {44100, 48000, 32000, 1}};
  return kRates[header.VersionId & 1][header.SampleRateIndex & 3];
}

int32_t ClampShift(int32_t shift) { return std::clamp(shift, 0, 2); }

int32_t ComputeSubbandLimit(int32_t frequencyLimit, int32_t sampleRate, int32_t shift,
                            uint8_t options) {
  const int64_t limitHz = std::max(frequencyLimit, 1000);
  // Subbands are sampleRate / 64 Hz wide; round to nearest. 64-bit: any limit is accepted.
  const int64_t subbands = (limitHz * 64 + sampleRate / 2) / sampleRate;
  int32_t cap = 32 >> shift;
  // Without the full-band option the top subband is dropped (31 and 15, not 32 and 16).
  if (!(options & kOptionFullBand) && cap > 8) --cap;
  return static_cast<int32_t>(std::min<int64_t>(subbands, cap));
}

}  // namespace yumekaze::decoder

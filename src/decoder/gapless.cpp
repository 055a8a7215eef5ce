#include "decoder/gapless.h"

#include <algorithm>

namespace yumekaze::decoder {

GaplessTrim GaplessTrimFor(const VbrHeader& vbr, int32_t samplesPerFrame, int64_t audioFrames) {
  GaplessTrim trim;
  if (!vbr.HasLame) return trim;
  trim.Start = int64_t{vbr.Lame.EncoderDelay} + kDecoderDelay;
  if (audioFrames > 0) {
    trim.End = std::max<int64_t>(
        audioFrames * samplesPerFrame - vbr.Lame.Padding + kDecoderDelay, trim.Start);
  }
  return trim;
}

KeptSamples KeepSamples(const GaplessTrim& trim, int64_t position, int32_t samples) {
  int64_t first = std::max<int64_t>(trim.Start - position, 0);
  int64_t last = samples;
  if (trim.End >= 0) last = std::min<int64_t>(last, trim.End - position);
  first = std::min<int64_t>(first, samples);
  if (last <= first) return {static_cast<int32_t>(first), 0};
  return {static_cast<int32_t>(first), static_cast<int32_t>(last - first)};
}

int64_t TrimmedLength(const GaplessTrim& trim, int64_t decoded) {
  const int64_t end = trim.End >= 0 ? std::min(trim.End, decoded) : decoded;
  return std::max<int64_t>(end - trim.Start, 0);
}

}  // namespace yumekaze::decoder

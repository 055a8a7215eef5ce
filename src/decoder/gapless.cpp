#include "decoder/gapless.h"

#include <algorithm>

namespace yumekaze::decoder {

GaplessTrim GaplessTrimFor(const VbrHeader& vbr, int32_t samplesPerFrame, int64_t audioFrames) {
  GaplessTrim trim;
  if (!vbr.HasLame) return trim;
  trim.Start = int64_t{vbr.Lame.EncoderDelay} + kDecoderDelay;
  if (audioFrames > 0) {
    trim.Resume = audioFrames * samplesPerFrame;
    trim.End = std::clamp<int64_t>(trim.Resume - vbr.Lame.Padding + kDecoderDelay, 0, trim.Resume);
  }
  return trim;
}

KeptSamples KeepSamples(const GaplessTrim& trim, int64_t position, int32_t samples) {
  int64_t first = std::max<int64_t>(trim.Start - position, 0);
  int64_t last = samples;
  // Resume lies on a frame boundary, so a frame is either before it or wholly after it.
  if (trim.End >= 0 && position < trim.Resume) last = std::min<int64_t>(last, trim.End - position);
  first = std::min<int64_t>(first, samples);
  if (last <= first) return {static_cast<int32_t>(first), 0};
  return {static_cast<int32_t>(first), static_cast<int32_t>(last - first)};
}

int64_t TrimmedLength(const GaplessTrim& trim, int64_t decoded) {
  int64_t kept = decoded;
  if (trim.End >= 0 && decoded > trim.End) kept -= std::min(decoded, trim.Resume) - trim.End;
  return std::max<int64_t>(kept - trim.Start, 0);
}

}  // namespace yumekaze::decoder

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
  int64_t first = position + std::clamp<int64_t>(trim.Start - position, 0, samples);
  int64_t last = position + samples;
  if (trim.End >= 0) {
    const int64_t from = std::max(first, trim.End);
    const int64_t to = std::min(last, trim.Resume);
    // Resume lies on a frame boundary when the frames have one size; a frame of another size
    // that straddles the dropped span keeps only its part before it.
    if (from < to) {
      if (from > first) {
        last = from;
      } else {
        first = to;
      }
    }
  }
  if (last <= first) return {0, 0};
  return {static_cast<int32_t>(first - position), static_cast<int32_t>(last - first)};
}

int64_t TrimmedLength(const GaplessTrim& trim, int64_t decoded) {
  // [Start, decoded) less its overlap with [End, Resume).
  int64_t kept = std::max<int64_t>(decoded - trim.Start, 0);
  if (trim.End >= 0) {
    kept -= std::max<int64_t>(std::min(decoded, trim.Resume) - std::max(trim.End, trim.Start), 0);
  }
  return kept;
}

}  // namespace yumekaze::decoder

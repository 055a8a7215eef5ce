// Gapless trimming: the encoder delay and padding of a LAME tag, plus the decoder's own delay of
// 529 samples, are cut from the decoded PCM as mpg123 and ffmpeg cut them.
#pragma once

#include <cstdint>

#include "decoder/vbr_header.h"

namespace yumekaze::decoder {

// Samples a Layer III decoder's output lags its input (the filterbanks' delay).
inline constexpr int32_t kDecoderDelay = 529;

// Sample positions count per channel from the first decoded audio frame.
// The end trim drops [End, Resume): the padding of the counted frames. Frames beyond the count
// (a wrong count, or another stream joined on) are kept: the count never ends the audio.
struct GaplessTrim {
  int64_t Start = 0;    // samples dropped at the start
  int64_t End = -1;     // position from which samples are dropped; -1 keeps the end
  int64_t Resume = -1;  // position from which samples are kept again (the counted frames' end)
};

// The trim a header frame asks for: none without a LAME tag. audioFrames is the number of audio
// frames (the header's count when nothing better is known); without it the end is kept.
GaplessTrim GaplessTrimFor(const VbrHeader& vbr, int32_t samplesPerFrame, int64_t audioFrames);

// The part of a frame of `samples` samples starting at `position` that survives the trim.
struct KeptSamples {
  int32_t First = 0;
  int32_t Count = 0;
};
KeptSamples KeepSamples(const GaplessTrim& trim, int64_t position, int32_t samples);

// Samples that remain of `decoded` samples after the trim.
int64_t TrimmedLength(const GaplessTrim& trim, int64_t decoded);

}  // namespace yumekaze::decoder

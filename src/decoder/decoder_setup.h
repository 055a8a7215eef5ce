// Set-up arithmetic shared by the Layer I/II and Layer III set-ups.
#pragma once

#include <cstdint>

#include "decoder/decoder.h"

namespace yumekaze::decoder {

// Sampling frequency in Hz of a header (1 for the reserved index; MPEG-2.5 reads as MPEG-2).
int32_t SampleRateHz(const MpegFrameHeader& header);

// DownsampleShift clamped to 0..2.
int32_t ClampShift(int32_t shift);

// Number of subbands (R/64 Hz wide) below frequencyLimit (at least 1000 Hz), rounded to nearest,
// capped at 32 >> shift less one above 8 (31, 15, 8), or at 32 >> shift with kOptionFullBand.
int32_t ComputeSubbandLimit(int32_t frequencyLimit, int32_t sampleRate, int32_t shift,
                            uint8_t options);

}  // namespace yumekaze::decoder

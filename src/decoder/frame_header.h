// Frame header internals exposed for the decoder's own use and its tests.
#pragma once

#include <cstdint>

#include "decoder/decoder.h"

namespace yumekaze::decoder {

// Bytes available to a free-format measurement are clamped to this.
inline constexpr uint32_t kFreeFormatWindow = 10000;

// kbit/s of the header's bitrate index; 0 for free format and the forbidden index.
int32_t BitrateKbps(const MpegFrameHeader& header);

// Length of a free-format frame (without its padding slot) starting at bytes, measured as the
// distance to the next frame that repeats the first two header bytes; 0 when it cannot be
// measured. length is the number of readable bytes, already clamped to kFreeFormatWindow.
int32_t MeasureFreeFormatFrame(const uint8_t* bytes, uint32_t length);

}  // namespace yumekaze::decoder

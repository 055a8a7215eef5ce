// Layer III frame header fields and side information.
#pragma once

#include <cstdint>

#include "decoder/layer3/bit_reader.h"
#include "decoder/layer3/layer3_state.h"

namespace yumekaze::decoder {

// Reads the header (after the 12 sync bits, already consumed from reader) and the side
// information of an MPEG-1 frame (both granules) or an LSF frame (granule `granuleSlot` only).
// Updates frameLength when the frame has a bitrate. Returns the header plus side information size
// in bytes (without the CRC).
int32_t ReadSideInfoMpeg1(L3BitReader& reader, Layer3FrameFields& frame, int32_t& frameLength,
                          GranuleSideInfo (&sideInfo)[2][2], int32_t gainOffset);
int32_t ReadSideInfoLsf(L3BitReader& reader, Layer3FrameFields& frame, int32_t& frameLength,
                        GranuleSideInfo (&sideInfo)[2][2], int32_t granuleSlot, int32_t gainOffset);

}  // namespace yumekaze::decoder

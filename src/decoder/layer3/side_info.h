// Layer III frame header fields and side information.
#pragma once

#include <cstdint>

#include "decoder/frame_sync.h"
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

// Bytes of the header and side information, without the CRC.
constexpr int32_t HeaderAndSideInfoBytes(bool mpeg1, int32_t channels) {
  if (mpeg1) return channels == 1 ? 21 : 36;
  return channels == 1 ? 13 : 21;
}

// Where a Layer III frame's main data lies in the bit reservoir.
struct MainDataSpan {
  int32_t Begin = 0;  // main_data_begin: bytes of earlier frames' main data it starts in
  int32_t Bytes = 0;  // main-data bytes the frame itself carries
};
// Read from the frame's first bytes (at least its header, CRC and first side-information byte
// pair); all zero for other layers and for frames too short to hold side information.
MainDataSpan PeekMainDataSpan(const FrameInfo& frame, const uint8_t* bytes);

}  // namespace yumekaze::decoder

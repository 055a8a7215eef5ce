// The header frame some encoders put first: "Xing" (variable bitrate) or "Info" (the same layout
// for constant bitrate) in the side-information area, or "VBRI" 32 bytes after the header. It
// carries no audio. Its counts are hints for duration and seeking, never the end of the audio.
#pragma once

#include <cstddef>
#include <cstdint>

#include "decoder/decoder.h"
#include "decoder/lame_tag.h"

namespace yumekaze::decoder {

enum class VbrHeaderKind : uint8_t { kNone, kXing, kInfo, kVbri };

struct VbrHeader {
  VbrHeaderKind Kind = VbrHeaderKind::kNone;
  bool HasFrames = false;
  uint32_t Frames = 0;  // audio frames after the header frame
  bool HasBytes = false;
  uint32_t Bytes = 0;  // stream bytes, the header frame included
  bool HasToc = false;
  uint8_t Toc[100]{};  // Xing: byte position / 256 of the file at each percent of the time
  int32_t Quality = -1;
  int32_t VbriDelay = 0;  // VBRI's own delay field
  bool HasLame = false;
  LameTag Lame;
};

// "Xing"/"Info": offset from the frame's first byte, after the header and side information.
// Encoders put it there with or without a CRC: the CRC's two bytes are not counted.
size_t XingOffset(const MpegFrameHeader& header);
// "VBRI": 32 bytes after the header in every version and channel mode.
inline constexpr size_t kVbriOffset = 36;

// Looks for a header in a frame of frameSize bytes (encoders write them in Layer III frames;
// a Layer II frame may carry one too). Only bytes inside it are read.
bool ParseVbrHeader(const uint8_t* frame, size_t frameSize, const MpegFrameHeader& header,
                    VbrHeader& vbr);

// Human name of a kind: "Xing", "Info", "VBRI", or "none".
const char* VbrHeaderName(VbrHeaderKind kind);

}  // namespace yumekaze::decoder

// A header-only pass over a stream in memory: where each frame lies, how many samples it holds,
// the header frame and the exact trimmed length, without decoding anything.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "decoder/frame_sync.h"
#include "decoder/gapless.h"
#include "decoder/vbr_header.h"

namespace yumekaze::decoder {

struct FramePosition {
  int64_t Offset = 0;   // from the start of the scanned bytes
  int32_t Length = 0;   // bytes, padding included
  int32_t Samples = 0;  // per channel
};

struct StreamScan {
  bool Found = false;  // at least one audio frame
  FrameInfo First;     // the first audio frame
  VbrHeader Vbr;       // the header frame, if the stream starts with one
  int64_t HeaderFrameOffset = -1;
  int64_t Frames = 0;          // audio frames
  int64_t DecodedSamples = 0;  // per channel, before trimming
  GaplessTrim Trim;            // from the LAME tag, with the header's frame count if it has one
  int64_t Samples = 0;         // per channel after trimming: the exact length
  int64_t SkippedBytes = 0;    // junk between frames (tags not counted)
};

// Scans bytes[0..size). When positions is given, every audio frame is appended to it (a seek
// index: decoding from an earlier frame and dropping samples up to the target gives exact PCM).
StreamScan ScanStream(const uint8_t* bytes, size_t size, std::vector<FramePosition>* positions);

}  // namespace yumekaze::decoder

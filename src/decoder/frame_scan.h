// A header-only pass over a stream in memory: where each frame lies, how many samples it holds,
// the header frame and the exact trimmed length, without decoding anything.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "decoder/frame_sync.h"
#include "decoder/frame_walker.h"
#include "decoder/gapless.h"
#include "decoder/layer3/side_info.h"
#include "decoder/vbr_header.h"

namespace yumekaze::decoder {

struct FramePosition {
  int64_t Offset = 0;     // from the start of the scanned bytes
  int32_t Length = 0;     // bytes, padding included
  int32_t Samples = 0;    // per channel
  MainDataSpan MainData;  // Layer III: where its main data lies in the bit reservoir
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

// The same scan over a stream read in pieces, so that a long file needs memory for one piece only.
class StreamScanner {
 public:
  // Pieces before the last hold at least this many bytes.
  static constexpr size_t kMinPiece = 4 * kWalkLookahead;

  explicit StreamScanner(std::vector<FramePosition>* positions = nullptr);
  // Scans bytes[0..size), which go on from what was consumed before, and returns how many of them
  // it consumed; the rest must start the next piece. With atEnd nothing follows: all is taken.
  size_t Feed(const uint8_t* bytes, size_t size, bool atEnd);
  // The result, once the last piece has been fed.
  StreamScan Finish();

 private:
  std::vector<FramePosition> own_;
  std::vector<FramePosition>* positions_;
  size_t listed_;
  FrameWalker walker_;
  StreamScan scan_;
  int64_t offset_ = 0;  // of the next byte fed, from the start of the stream
  int64_t skip_ = 0;    // bytes still to pass over from a skip that reached past a piece
  bool ended_ = false;
};

}  // namespace yumekaze::decoder

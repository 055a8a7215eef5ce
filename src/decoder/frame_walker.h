// The stream parser's step: from a position in the input to the next frame. It skips tags, keeps
// sync frame by frame while each header continues the stream, and takes sync again only on a
// confirmed header. The player's frame source, the command-line decode and the header scan all
// walk a stream with it, so they agree on where every frame lies.
#pragma once

#include <cstddef>
#include <cstdint>

#include "decoder/frame_sync.h"

namespace yumekaze::decoder {

// Bytes a step may look at before it decides (a confirmation over a free-format measurement).
inline constexpr int32_t kWalkLookahead = 10240;

struct FrameWalker {
  bool Locked = false;           // the last frame was taken; the next header only has to match
  MpegFrameHeader Last{};        // header of the last frame taken
  int32_t FreeFormatLength = 0;  // of the current free-format stream, without padding
  // The last header parsed, as its four bytes without the padding bit, and what it gave: the
  // frames of a constant-bitrate stream repeat it, and skip the parse.
  uint32_t LastBytes = 0;
  FrameInfo LastFrame;
};

enum class WalkAction : uint8_t {
  kFrame,     // a frame of Frame.Length bytes starts here
  kSkip,      // no frame here: skip Bytes (junk or a tag)
  kNeedMore,  // look again with more bytes (never when atEnd)
  kEnd,       // nothing is left
};

struct WalkStep {
  WalkAction Action = WalkAction::kEnd;
  int64_t Bytes = 0;    // kSkip
  FrameInfo Frame;      // kFrame
  bool Synced = false;  // kFrame: sync was taken here, not carried over from the frame before
  bool IsTag = false;   // kSkip: the bytes are a tag
};

// Decides what lies at bytes (`available` readable, atEnd when nothing follows them).
WalkStep NextFrame(FrameWalker& walker, const uint8_t* bytes, size_t available, bool atEnd);

}  // namespace yumekaze::decoder

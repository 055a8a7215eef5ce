#include "decoder/frame_walker.h"

#include <cstring>

#include "decoder/byte_order.h"
#include "decoder/tag_blocks.h"

namespace yumekaze::decoder {
namespace {

constexpr uint32_t kPaddingBit = 0x00000200;  // in the header's bytes read as big-endian

// A header while in sync: the same bytes as the frame before (padding aside) give the same frame.
bool ParseLockedHeader(FrameWalker& walker, const uint8_t* bytes, FrameInfo& frame) {
  const uint32_t word = BigEndian32(bytes);
  const uint32_t key = word & ~kPaddingBit;
  if (key == walker.LastBytes && walker.LastFrame.Length > 0) {
    frame = walker.LastFrame;
    const int32_t padding = (word & kPaddingBit) ? 1 : 0;
    frame.Header.Padding = padding;
    frame.Length += padding * (frame.Header.Layer == 3 ? 4 : 1);
    return true;
  }
  if (!ParseFrameHeader(bytes, walker.FreeFormatLength, frame)) return false;
  walker.LastBytes = key;
  walker.LastFrame = frame;
  walker.LastFrame.Header.Padding = 0;
  walker.LastFrame.Length -= frame.Header.Padding * (frame.Header.Layer == 3 ? 4 : 1);
  return true;
}

}  // namespace

WalkStep NextFrame(FrameWalker& walker, const uint8_t* bytes, size_t available, bool atEnd) {
  WalkStep step;
  if (available == 0) {
    step.Action = atEnd ? WalkAction::kEnd : WalkAction::kNeedMore;
    return step;
  }
  if (available < kTagProbeBytes && !atEnd) {
    step.Action = WalkAction::kNeedMore;
    return step;
  }
  if (const int64_t tag = TagBlockSize(bytes, available); tag > 0) {
    walker.Locked = false;
    step.Action = WalkAction::kSkip;
    step.Bytes = tag;
    step.IsTag = true;
    return step;
  }
  if (walker.Locked && available >= 4 && ParseLockedHeader(walker, bytes, step.Frame) &&
      SameStream(walker.Last, step.Frame.Header)) {
    walker.Last = step.Frame.Header;
    step.Action = WalkAction::kFrame;
    return step;
  }
  // Sync is lost, or the stream changes here: only a confirmed header counts.
  int32_t freeFormatLength = walker.Locked ? walker.FreeFormatLength : 0;
  switch (ConfirmFrame(bytes, available, atEnd, freeFormatLength, step.Frame)) {
    case SyncCheck::kConfirmed:
      walker.LastFrame = {};
      walker.Locked = true;
      walker.Last = step.Frame.Header;
      walker.FreeFormatLength = freeFormatLength;
      step.Action = WalkAction::kFrame;
      step.Synced = true;
      return step;
    case SyncCheck::kNeedMore:
      step.Action = WalkAction::kNeedMore;
      return step;
    case SyncCheck::kRejected:
      break;
  }
  if (walker.Locked) {
    walker.Locked = false;
    walker.FreeFormatLength = 0;
  }
  // Junk: on to the next byte that could start a header or a tag.
  step.Action = WalkAction::kSkip;
  step.Bytes = 1;
  for (size_t i = 1; i < available; ++i) {
    const uint8_t b = bytes[i];
    if (b == 0xFF || b == 'I' || b == 'A' || b == 'T' || b == 'L') break;
    ++step.Bytes;
  }
  return step;
}

}  // namespace yumekaze::decoder

#include "decoder/frame_walker.h"

#include <cstring>

#include "decoder/tag_blocks.h"

namespace yumekaze::decoder {

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
  if (walker.Locked && available >= 4 &&
      ParseFrameHeader(bytes, walker.FreeFormatLength, step.Frame) &&
      SameStream(walker.Last, step.Frame.Header)) {
    walker.Last = step.Frame.Header;
    step.Action = WalkAction::kFrame;
    return step;
  }
  // Sync is lost, or the stream changes here: only a confirmed header counts.
  int32_t freeFormatLength = walker.Locked ? walker.FreeFormatLength : 0;
  switch (ConfirmFrame(bytes, available, atEnd, freeFormatLength, step.Frame)) {
    case SyncCheck::kConfirmed:
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

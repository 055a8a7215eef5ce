#include "decoder/frame_scan.h"

#include <algorithm>

#include "decoder/frame_walker.h"

namespace yumekaze::decoder {

StreamScan ScanStream(const uint8_t* bytes, size_t size, std::vector<FramePosition>* positions) {
  StreamScan scan;
  std::vector<FramePosition> own;
  if (!positions) positions = &own;
  const size_t listed = positions->size();
  FrameWalker walker;
  size_t at = 0;
  while (at < size) {
    const WalkStep step = NextFrame(walker, bytes + at, size - at, true);
    if (step.Action == WalkAction::kEnd || step.Action == WalkAction::kNeedMore) break;
    if (step.Action == WalkAction::kSkip) {
      if (!step.IsTag) scan.SkippedBytes += step.Bytes;
      at += static_cast<size_t>(std::min<int64_t>(step.Bytes, static_cast<int64_t>(size - at)));
      continue;
    }
    const FrameInfo& frame = step.Frame;
    // A frame cut off by the end of the data is not decoded.
    if (static_cast<size_t>(frame.Length) > size - at) break;
    VbrHeader vbr;
    if (step.Synced &&
        ParseVbrHeader(bytes + at, static_cast<size_t>(frame.Length), frame.Header, vbr)) {
      if (!scan.Found && scan.HeaderFrameOffset < 0) {
        scan.Vbr = vbr;
        scan.HeaderFrameOffset = static_cast<int64_t>(at);
      }
    } else {
      if (!scan.Found) scan.First = frame;
      scan.Found = true;
      positions->push_back({static_cast<int64_t>(at), frame.Length, frame.Samples});
      ++scan.Frames;
      scan.DecodedSamples += frame.Samples;
    }
    at += static_cast<size_t>(frame.Length);
  }
  if (!scan.Found) return scan;
  // The header's count decides the end trim, as in playback, which cannot count ahead.
  scan.Trim = GaplessTrimFor(scan.Vbr, scan.First.Samples,
                             scan.Vbr.HasFrames ? scan.Vbr.Frames : scan.Frames);
  // Frames of other sizes (joined streams) are trimmed one by one, as playback trims them.
  int64_t position = 0;
  for (size_t i = listed; i < positions->size(); ++i) {
    scan.Samples += KeepSamples(scan.Trim, position, (*positions)[i].Samples).Count;
    position += (*positions)[i].Samples;
  }
  return scan;
}

}  // namespace yumekaze::decoder

#include "decoder/frame_scan.h"

#include <algorithm>

#include "decoder/frame_walker.h"

namespace yumekaze::decoder {

StreamScan ScanStream(const uint8_t* bytes, size_t size, std::vector<FramePosition>* positions) {
  StreamScan scan;
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
      if (positions) {
        positions->push_back({static_cast<int64_t>(at), frame.Length, frame.Samples});
      }
      ++scan.Frames;
      scan.DecodedSamples += frame.Samples;
    }
    at += static_cast<size_t>(frame.Length);
  }
  if (scan.Found) {
    scan.Trim = GaplessTrimFor(scan.Vbr, scan.First.Samples, scan.Frames);
  }
  scan.Samples = TrimmedLength(scan.Trim, scan.DecodedSamples);
  return scan;
}

}  // namespace yumekaze::decoder

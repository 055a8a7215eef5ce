#include "decoder/frame_scan.h"

#include <algorithm>

namespace yumekaze::decoder {

StreamScan ScanStream(const uint8_t* bytes, size_t size, std::vector<FramePosition>* positions) {
  StreamScanner scanner(positions);
  scanner.Feed(bytes, size, true);
  return scanner.Finish();
}

StreamScanner::StreamScanner(std::vector<FramePosition>* positions)
    : positions_(positions ? positions : &own_), listed_(positions_->size()) {}

size_t StreamScanner::Feed(const uint8_t* bytes, size_t size, bool atEnd) {
  size_t at = static_cast<size_t>(std::min<int64_t>(skip_, static_cast<int64_t>(size)));
  skip_ -= static_cast<int64_t>(at);
  while (!ended_ && at < size) {
    // A step that needs the next piece is taken again with it: a sync is confirmed only with the
    // headers after the frame at hand, so a frame cut off by the piece was taken in sync before
    // and comes out the same.
    const WalkStep step = NextFrame(walker_, bytes + at, size - at, atEnd);
    if (step.Action == WalkAction::kNeedMore) break;
    if (step.Action == WalkAction::kEnd) {
      ended_ = true;
      break;
    }
    const size_t left = size - at;
    if (step.Action == WalkAction::kSkip) {
      if (!step.IsTag) scan_.SkippedBytes += step.Bytes;
      const size_t here = static_cast<size_t>(std::min<int64_t>(step.Bytes, left));
      skip_ = atEnd ? 0 : step.Bytes - static_cast<int64_t>(here);
      at += here;
      continue;
    }
    const FrameInfo& frame = step.Frame;
    if (static_cast<size_t>(frame.Length) > left) {
      // A frame cut off by the end of the data is not decoded.
      ended_ = atEnd;
      break;
    }
    VbrHeader vbr;
    if (step.Synced &&
        ParseVbrHeader(bytes + at, static_cast<size_t>(frame.Length), frame.Header, vbr)) {
      if (!scan_.Found && scan_.HeaderFrameOffset < 0) {
        scan_.Vbr = vbr;
        scan_.HeaderFrameOffset = offset_ + static_cast<int64_t>(at);
      }
    } else {
      if (!scan_.Found) scan_.First = frame;
      scan_.Found = true;
      positions_->push_back({offset_ + static_cast<int64_t>(at), frame.Length, frame.Samples,
                             PeekMainDataSpan(frame, bytes + at)});
      ++scan_.Frames;
      scan_.DecodedSamples += frame.Samples;
    }
    at += static_cast<size_t>(frame.Length);
  }
  if (atEnd) at = size;
  offset_ += static_cast<int64_t>(at);
  return at;
}

StreamScan StreamScanner::Finish() {
  StreamScan scan = scan_;
  if (!scan.Found) return scan;
  // The header's count decides the end trim, as in playback, which cannot count ahead.
  scan.Trim = GaplessTrimFor(scan.Vbr, scan.First.Samples,
                             scan.Vbr.HasFrames ? scan.Vbr.Frames : scan.Frames);
  // Frames of other sizes (joined streams) are trimmed one by one, as playback trims them.
  int64_t position = 0;
  for (size_t i = listed_; i < positions_->size(); ++i) {
    scan.Samples += KeepSamples(scan.Trim, position, (*positions_)[i].Samples).Count;
    position += (*positions_)[i].Samples;
  }
  return scan;
}

}  // namespace yumekaze::decoder

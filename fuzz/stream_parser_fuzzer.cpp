// Fuzzes the stream parser: the header-only scan of a whole input (confirmed sync, tags between
// frames, header frame, LAME tag, gapless trim) and the parser's step on a window that grows as
// the parser asks for more, as the player's frame source feeds it.
//
// Checks: every frame lies inside the input, in order, without overlap; the counts agree with
// the frames listed; the trim's closed form agrees with the frame-by-frame cut; the windowed
// walk finds the same frames as the scan of the whole input.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "decoder/frame_scan.h"
#include "decoder/frame_walker.h"

using namespace yumekaze::decoder;

namespace {

#define Check(condition) ((condition) ? void() : Fail(#condition, __LINE__))

[[noreturn]] void Fail(const char* condition, int line) {
  std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, line, condition);
  std::abort();
}

// The frame offsets a walk finds when it sees at most `window` bytes at a time.
std::vector<int64_t> WindowedWalk(const uint8_t* data, size_t size, size_t window) {
  std::vector<int64_t> offsets;
  FrameWalker walker;
  size_t at = 0;
  size_t want = window;
  while (at < size) {
    const size_t available = std::min(want, size - at);
    const WalkStep step = NextFrame(walker, data + at, available, at + available == size);
    if (step.Action == WalkAction::kNeedMore) {
      Check(want < static_cast<size_t>(kWalkLookahead) && available < size - at);
      want = kWalkLookahead;
      continue;
    }
    want = window;
    if (step.Action == WalkAction::kEnd) break;
    if (step.Action == WalkAction::kSkip) {
      Check(step.Bytes > 0);
      at += static_cast<size_t>(std::min<int64_t>(step.Bytes, static_cast<int64_t>(size - at)));
      continue;
    }
    Check(step.Frame.Length > 0);
    if (static_cast<size_t>(step.Frame.Length) > size - at) break;
    offsets.push_back(static_cast<int64_t>(at));
    at += static_cast<size_t>(step.Frame.Length);
  }
  return offsets;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<FramePosition> positions;
  const StreamScan scan = ScanStream(data, size, &positions);
  Check(scan.Frames == static_cast<int64_t>(positions.size()));
  Check(scan.Found == !positions.empty());
  int64_t end = 0;
  int64_t decoded = 0;
  for (const FramePosition& frame : positions) {
    Check(frame.Offset >= end && frame.Length > 0);
    Check(frame.Offset + frame.Length <= static_cast<int64_t>(size));
    Check(frame.Samples == 384 || frame.Samples == 576 || frame.Samples == 1152);
    end = frame.Offset + frame.Length;
    decoded += frame.Samples;
  }
  Check(decoded == scan.DecodedSamples);

  int64_t position = 0;
  for (const FramePosition& frame : positions) {
    const KeptSamples part = KeepSamples(scan.Trim, position, frame.Samples);
    Check(part.First >= 0 && part.Count >= 0 && part.First + part.Count <= frame.Samples);
    position += frame.Samples;
  }
  Check(scan.Samples >= 0 && scan.Samples <= scan.DecodedSamples);
  // Frames of one size: the trim's closed form agrees with the frame-by-frame cut.
  bool uniform = true;
  for (const FramePosition& frame : positions) uniform &= frame.Samples == scan.First.Samples;
  if (uniform && scan.Trim.Resume >= 0 && scan.Trim.Resume % scan.First.Samples == 0) {
    Check(TrimmedLength(scan.Trim, scan.DecodedSamples) == scan.Samples);
  }

  // The header frame is no audio frame; every frame the scan lists, the small-window walk finds.
  std::vector<int64_t> walked = WindowedWalk(data, size, 36);
  size_t next = 0;
  for (const FramePosition& frame : positions) {
    while (next < walked.size() && walked[next] < frame.Offset) ++next;
    Check(next < walked.size() && walked[next] == frame.Offset);
  }
  return 0;
}

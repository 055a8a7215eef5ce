#include "engine/player/seek_index.h"

#include <algorithm>
#include <cstring>

#include "engine/stream/stream.h"

namespace yumekaze::engine {
namespace {

// The synthesis ring turns 16 slots; frames of 12, 18 or 36 slots bring it back to the same place
// after a multiple of 8 frames.
constexpr size_t kRingAlignment = 8;

}  // namespace

void TMPSeekIndex::Clear() {
  frames_.clear();
  frames_.shrink_to_fit();
  end_offset_ = 0;
  decoded_samples_ = 0;
  layer_number_ = 0;
  built_ = false;
}

decoder::StreamScan ScanStreamRegion(TMPStream& stream, int64_t start, int64_t length,
                                     std::vector<decoder::FramePosition>* positions) {
  constexpr size_t kPiece = 1 << 20;
  static_assert(kPiece >= decoder::StreamScanner::kMinPiece);
  int64_t left = std::max<int64_t>(std::min(length, stream.Size() - start), 0);
  stream.Seek(start, SeekOrigin::Beginning);
  decoder::StreamScanner scanner(positions);
  std::vector<uint8_t> piece(kPiece);
  size_t filled = 0;
  for (bool at_end = false; !at_end;) {
    while (filled < piece.size() && left > 0) {
      const size_t want = static_cast<size_t>(std::min<int64_t>(piece.size() - filled, left));
      const size_t n = stream.Read(piece.data() + filled, want);
      if (n == 0) {
        left = 0;
        break;
      }
      filled += n;
      left -= static_cast<int64_t>(n);
    }
    at_end = left == 0;
    const size_t taken = scanner.Feed(piece.data(), filled, at_end);
    std::memmove(piece.data(), piece.data() + taken, filled - taken);
    filled -= taken;
  }
  return scanner.Finish();
}

void TMPSeekIndex::Build(TMPStream& stream, int64_t audioStart, int64_t audioLength,
                         int layerNumber) {
  Clear();
  std::vector<decoder::FramePosition> positions;
  ScanStreamRegion(stream, audioStart, audioLength, &positions);
  frames_.reserve(positions.size());
  int64_t samples = 0;
  for (const decoder::FramePosition& position : positions) {
    frames_.push_back({audioStart + position.Offset, samples, position.MainData});
    samples += position.Samples;
  }
  decoded_samples_ = samples;
  end_offset_ = positions.empty() ? audioStart
                                  : audioStart + positions.back().Offset + positions.back().Length;
  layer_number_ = layerNumber;
  built_ = true;
}

int64_t TMPSeekIndex::TrimmedSamples(const decoder::GaplessTrim& trim) const {
  return decoder::TrimmedLength(trim, decoded_samples_);
}

TSeekPoint TMPSeekIndex::Find(int64_t target, const decoder::GaplessTrim& trim) const {
  TSeekPoint point;
  if (frames_.empty() || target >= TrimmedSamples(trim)) {
    point.Offset = end_offset_;
    point.DecodedSamples = decoded_samples_;
    point.PastEnd = true;
    return point;
  }
  target = std::max<int64_t>(target, 0);
  // The decoded sample that survives the trim as `target` (the end trim lies after it).
  const int64_t decoded = target + trim.Start;
  const auto holding = std::upper_bound(
      frames_.begin(), frames_.end(), decoded,
      [](int64_t sample, const Frame& frame) { return sample < frame.FirstSample; });
  const size_t target_frame = static_cast<size_t>(holding - frames_.begin()) - 1;
  // Two frames before the target's must come out right: the synthesis window reaches back 16
  // slots (more than a Layer I frame's 12), and a Layer III frame's overlap adds the output of
  // the one before it.
  constexpr size_t kNeeded = 2;
  size_t first = target_frame >= kNeeded ? target_frame - kNeeded : 0;
  if (layer_number_ == 3) first = CoverReservoir(first, target_frame);
  first -= first % kRingAlignment;
  point.Offset = frames_[first].Offset;
  point.DecodedSamples = frames_[first].FirstSample;
  point.DropSamples = target - decoder::TrimmedLength(trim, point.DecodedSamples);
  return point;
}

// main_data_begin counts main-data bytes only, which small frames carry few of among their
// header and side information: the reach back is counted in frames, not in file bytes.
size_t TMPSeekIndex::CoverReservoir(size_t needed, size_t target) const {
  // Main data that must come before frame `needed`: each later frame's reach, less what the
  // frames from `needed` on bring themselves.
  int64_t missing = 0;
  int64_t brought = 0;
  for (size_t i = needed; i <= target; ++i) {
    missing = std::max<int64_t>(missing, frames_[i].MainData.Begin - brought);
    brought += frames_[i].MainData.Bytes;
  }
  size_t first = needed;
  for (; first > 0 && missing > 0; --first) missing -= frames_[first - 1].MainData.Bytes;
  return first;
}

}  // namespace yumekaze::engine

// Where to start decoding so that the PCM from a given sample on is exactly the PCM a decode from
// the first frame gives there. Built from a header-only scan of the audio data (no decoding): every
// frame's offset and samples. Decoding starts some frames before the target's frame, so that the
// bit reservoir, the overlap of the hybrid filterbank and the synthesis window hold what they
// would hold on a decode from the start, and at a frame whose number is a multiple of 8, so that
// the synthesis ring also stands at the same place.
#pragma once

#include <cstdint>
#include <vector>

#include "decoder/frame_scan.h"
#include "decoder/gapless.h"

namespace yumekaze::engine {

class TMPStream;

// decoder::ScanStream over [start, start + length) of a seekable stream, read in pieces so that a
// long file needs memory for one piece only. Stream errors pass through.
decoder::StreamScan ScanStreamRegion(TMPStream& stream, int64_t start, int64_t length,
                                     std::vector<decoder::FramePosition>* positions);

// Where decoding starts for a target sample, and how much of its output to drop.
struct TSeekPoint {
  int64_t Offset = 0;          // absolute stream offset of the frame to decode first
  int64_t DecodedSamples = 0;  // per channel, decoded before that frame on a decode from the start
  int64_t DropSamples = 0;     // per channel, of the trimmed output before the target
  bool PastEnd = false;        // the target is at or beyond the end: Offset is the data's end
};

class TMPSeekIndex {
 public:
  // Scans the audio data [audioStart, audioStart + audioLength) of a seekable stream; the
  // stream's position is left undefined. The first audio frame there is frame 0 of the decode.
  void Build(TMPStream& stream, int64_t audioStart, int64_t audioLength, int layerNumber);
  bool Built() const { return built_; }
  void Clear();

  // Samples per channel after `trim`.
  int64_t TrimmedSamples(const decoder::GaplessTrim& trim) const;
  // The seek point for the trimmed sample `target` under `trim` (the decode's own trim).
  TSeekPoint Find(int64_t target, const decoder::GaplessTrim& trim) const;

 private:
  struct Frame {
    int64_t Offset;
    int64_t FirstSample;  // decoded samples before it
    decoder::MainDataSpan MainData;
  };
  // The earliest frame the decode must start at for frames [needed, target] to find all the
  // main data they reach back to in the bit reservoir.
  size_t CoverReservoir(size_t needed, size_t target) const;
  std::vector<Frame> frames_;
  int64_t end_offset_ = 0;
  int64_t decoded_samples_ = 0;
  int layer_number_ = 0;
  bool built_ = false;
};

}  // namespace yumekaze::engine

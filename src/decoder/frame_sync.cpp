#include "decoder/frame_sync.h"

#include <algorithm>

namespace yumekaze::decoder {
namespace {

constexpr int32_t kLayerI = 3;
constexpr int32_t kLayerIII = 1;
// Free-format frames are measured within this window; DecodeFrameHeader clamps to it as well.
constexpr size_t kFreeFormatWindow = 10000;

int32_t SamplesPerChannel(const MpegFrameHeader& h) {
  if (h.Layer == kLayerI) return 384;
  if (h.Layer == kLayerIII && h.VersionId == 0) return 576;
  return 1152;
}

int32_t SampleRateOf(const MpegFrameHeader& h) {
  constexpr int32_t kRates[3] = {44100, 48000, 32000};
  const int32_t rate = kRates[h.SampleRateIndex];
  if (h.VersionId == 1) return rate;
  return h.SyncKind == 2 ? rate / 4 : rate / 2;
}

}  // namespace

bool ParseFrameHeader(const uint8_t* bytes, int32_t freeFormatLength, FrameInfo& frame) {
  MpegFrameHeader header{};
  int32_t bitrate = 0;
  int32_t length = DecodeHeaderAndBitrate(bytes, 0, header, bitrate);
  if (header.SyncKind == 0 || header.Layer == 0 || header.SampleRateIndex == 3 ||
      header.BitrateIndex == 15) {
    return false;
  }
  // MPEG-2.5 exists only for Layer III; MPEG-2.5 with the version bit set is no header either.
  if (header.SyncKind == 2 && (header.Layer != kLayerIII || header.VersionId == 1)) return false;
  if (header.BitrateIndex == 0) {
    if (freeFormatLength <= 0) return false;
    length = freeFormatLength;
  }
  if (length <= 0) return false;
  frame.Header = header;
  frame.Length = length + (header.Layer == kLayerI ? 4 * header.Padding : header.Padding);
  frame.SampleRate = SampleRateOf(header);
  frame.Channels = header.Mode == 3 ? 1 : 2;
  frame.Samples = SamplesPerChannel(header);
  frame.Bitrate = bitrate;
  return true;
}

bool SameStream(const MpegFrameHeader& a, const MpegFrameHeader& b) {
  return a.SyncKind == b.SyncKind && a.VersionId == b.VersionId && a.Layer == b.Layer &&
         a.SampleRateIndex == b.SampleRateIndex;
}

SyncCheck ConfirmFrame(const uint8_t* bytes, size_t available, bool atEnd,
                       int32_t& freeFormatLength, FrameInfo& frame) {
  if (available < 4) return atEnd ? SyncCheck::kRejected : SyncCheck::kNeedMore;
  int32_t freeLength = freeFormatLength;
  FrameInfo first;
  if (!ParseFrameHeader(bytes, freeLength, first)) {
    MpegFrameHeader header{};
    if (DecodeFrameHeader(bytes, 0, header) != 0 || header.SyncKind == 0 || header.Layer == 0 ||
        header.BitrateIndex != 0 || freeLength > 0) {
      return SyncCheck::kRejected;
    }
    // A free-format candidate: its length is the distance to the next matching header.
    if (!atEnd && available < kFreeFormatWindow) return SyncCheck::kNeedMore;
    freeLength = DecodeFrameHeader(bytes, static_cast<uint32_t>(available), header);
    // No bitrate a decoder must serve makes a longer frame; a longer distance is a coincidence.
    if (freeLength <= 0 || freeLength >= kMaxFrameBytes ||
        !ParseFrameHeader(bytes, freeLength, first)) {
      return SyncCheck::kRejected;
    }
  }
  size_t offset = static_cast<size_t>(first.Length);
  for (int k = 0; k < kConfirmFrames; ++k) {
    if (offset + 4 > available) {
      if (atEnd) break;
      return SyncCheck::kNeedMore;
    }
    FrameInfo next;
    if (!ParseFrameHeader(bytes + offset, freeLength, next) ||
        !SameStream(first.Header, next.Header)) {
      return SyncCheck::kRejected;
    }
    offset += static_cast<size_t>(next.Length);
  }
  freeFormatLength = freeLength;
  frame = first;
  return SyncCheck::kConfirmed;
}

}  // namespace yumekaze::decoder

#include "decoder/vbr_header.h"

#include <cstring>

#include "decoder/byte_order.h"

namespace yumekaze::decoder {
namespace {

constexpr uint32_t kXingFrames = 1;
constexpr uint32_t kXingBytes = 2;
constexpr uint32_t kXingToc = 4;
constexpr uint32_t kXingQuality = 8;

bool ParseXing(const uint8_t* frame, size_t frameSize, size_t p, VbrHeader& vbr) {
  if (p + 8 > frameSize) return false;
  const bool info = std::memcmp(frame + p, "Info", 4) == 0;
  if (!info && std::memcmp(frame + p, "Xing", 4) != 0) return false;
  vbr.Kind = info ? VbrHeaderKind::kInfo : VbrHeaderKind::kXing;
  const uint32_t flags = BigEndian32(frame + p + 4);
  p += 8;
  if (flags & kXingFrames) {
    if (p + 4 > frameSize) return true;
    vbr.HasFrames = true;
    vbr.Frames = BigEndian32(frame + p);
    p += 4;
  }
  if (flags & kXingBytes) {
    if (p + 4 > frameSize) return true;
    vbr.HasBytes = true;
    vbr.Bytes = BigEndian32(frame + p);
    p += 4;
  }
  if (flags & kXingToc) {
    if (p + 100 > frameSize) return true;
    vbr.HasToc = true;
    std::memcpy(vbr.Toc, frame + p, 100);
    p += 100;
  }
  if (flags & kXingQuality) {
    if (p + 4 > frameSize) return true;
    vbr.Quality = static_cast<int32_t>(BigEndian32(frame + p));
    p += 4;
  }
  vbr.HasLame = ParseLameTag(frame, frameSize, p, vbr.Lame);
  return true;
}

bool ParseVbri(const uint8_t* frame, size_t frameSize, VbrHeader& vbr) {
  const size_t p = kVbriOffset;
  if (p + 18 > frameSize || std::memcmp(frame + p, "VBRI", 4) != 0) return false;
  vbr.Kind = VbrHeaderKind::kVbri;
  vbr.VbriDelay = (frame[p + 6] << 8) | frame[p + 7];
  vbr.Quality = (frame[p + 8] << 8) | frame[p + 9];
  vbr.HasBytes = true;
  vbr.Bytes = BigEndian32(frame + p + 10);
  vbr.HasFrames = true;
  vbr.Frames = BigEndian32(frame + p + 14);
  return true;
}

}  // namespace

size_t XingOffset(const MpegFrameHeader& header) {
  const bool mono = header.Mode == 3;
  return 4 + (header.VersionId == 1 ? (mono ? 17 : 32) : (mono ? 9 : 17));
}

bool ParseVbrHeader(const uint8_t* frame, size_t frameSize, const MpegFrameHeader& header,
                    VbrHeader& vbr) {
  vbr = VbrHeader{};
  if (ParseXing(frame, frameSize, XingOffset(header), vbr)) return true;
  vbr = VbrHeader{};
  return ParseVbri(frame, frameSize, vbr);
}

const char* VbrHeaderName(VbrHeaderKind kind) {
  switch (kind) {
    case VbrHeaderKind::kXing:
      return "Xing";
    case VbrHeaderKind::kInfo:
      return "Info";
    case VbrHeaderKind::kVbri:
      return "VBRI";
    case VbrHeaderKind::kNone:
      break;
  }
  return "none";
}

}  // namespace yumekaze::decoder

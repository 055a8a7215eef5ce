// Frame header parsing, frame lengths, bitrates, free-format measurement and the sync scan.
#include "decoder/frame_header.h"

#include <algorithm>
#include <limits>

#include "decoder/decoder.h"

namespace yumekaze::decoder {
namespace {

// kbit/s by layer (0 = Layer I .. 2 = Layer III), VersionId and BitrateIndex (ISO/IEC 11172-3
// and 13818-3).
constexpr int32_t kBitrates[3][2][16] = {
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
     {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0}},
    {{0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0}},
    {{0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0}},
};

// Sampling frequency in units of 50 Hz by VersionId and SampleRateIndex. MPEG-2.5 uses the
// VersionId 0 row (twice its true rate); the Layer III formula compensates. -999 makes every
// length of the reserved index negative.
constexpr int32_t kRate50Hz[2][4] = {{441, 480, 320, -999}, {882, 960, 640, -999}};

constexpr int32_t kLayerI = 3;
constexpr int32_t kLayerII = 2;

int32_t Rate50Hz(const MpegFrameHeader& header) {
  return kRate50Hz[header.VersionId][header.SampleRateIndex];
}

// Bytes of one frame per (kbit/s / 50 Hz) unit, before the division by the rate.
int32_t LengthFactor(const MpegFrameHeader& header) {
  if (header.Layer == kLayerII || header.VersionId == 1 || header.SyncKind == 2) return 2880;
  return 1440;  // MPEG-2 Layer III
}

int32_t ClampToInt32(int64_t value) {
  return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

}  // namespace

int32_t BitrateKbps(const MpegFrameHeader& header) {
  return kBitrates[3 - header.Layer][header.VersionId][header.BitrateIndex];
}

int32_t MeasureFreeFormatFrame(const uint8_t* bytes, uint32_t length) {
  const int32_t slot = ((bytes[1] >> 1) & 3) == kLayerI ? 4 : 1;
  const int32_t pad = (bytes[2] >> 1) & 1;
  const int32_t window = static_cast<int32_t>(length) - 3;
  int32_t start = 24;
  while (start < 2000) {
    int32_t p = 0;
    for (int32_t i = start; i < window; ++i) {
      if (bytes[i] == bytes[0] && bytes[i + 1] == bytes[1]) {
        p = i;
        break;
      }
    }
    start = p + 1;
    const int32_t candidate = p - pad * slot;
    if (candidate <= 0) return 0;
    // Every further frame start inside the window must repeat the first two header bytes.
    int32_t index = 0;
    int32_t count = 0;
    for (;;) {
      index += candidate + slot * ((bytes[index + 2] >> 1) & 1);
      if (index > window) break;
      if (bytes[index] != bytes[0] || bytes[index + 1] != bytes[1]) {
        count = -count;
        break;
      }
      ++count;
    }
    if (count > 0) return candidate;
  }
  return 0;
}

int32_t DecodeFrameHeader(const uint8_t* bytes, uint32_t length, MpegFrameHeader& header) {
  length = std::min(length, kFreeFormatWindow);
  header.SyncKind = 0;
  if (bytes[0] != 0xFF) return 0;
  if ((bytes[1] & 0xF0) == 0xF0) {
    header.SyncKind = 1;
  } else if ((bytes[1] & 0xF0) == 0xE0) {
    header.SyncKind = 2;
  } else {
    return 0;
  }
  header.VersionId = (bytes[1] >> 3) & 1;
  header.Layer = (bytes[1] >> 1) & 3;
  header.ProtectionBit = bytes[1] & 1;
  header.BitrateIndex = bytes[2] >> 4;
  header.SampleRateIndex = (bytes[2] >> 2) & 3;
  header.Padding = (bytes[2] >> 1) & 1;
  header.PrivateBit = bytes[2] & 1;
  header.Mode = bytes[3] >> 6;
  header.ModeExtension = (bytes[3] >> 4) & 3;
  header.CopyFlag = (bytes[3] >> 3) & 1;
  header.HomeFlag = (bytes[3] >> 2) & 1;
  header.Emphasis = bytes[3] & 3;
  if (header.Layer == 0) return 0;
  if (header.BitrateIndex == 0) return MeasureFreeFormatFrame(bytes, length);
  const int32_t k = BitrateKbps(header);
  const int32_t f = Rate50Hz(header);
  if (header.Layer == kLayerI) return ((k * 240) / f) * 4;  // whole slots of 4 bytes
  return (k * LengthFactor(header)) / f;
}

int32_t DecodeHeaderAndBitrate(const uint8_t* bytes, uint32_t length, MpegFrameHeader& header,
                               int32_t& bitrate) {
  bitrate = 0;
  const int32_t frameLength = DecodeFrameHeader(bytes, length, header);
  if (frameLength == 0) return 0;
  if (header.BitrateIndex != 0) {
    bitrate = BitrateKbps(header) * 1000;
    return frameLength;
  }
  // Free format: the bitrate follows from the measured length. Products in 64 bits: long frames
  // would overflow 32.
  const int64_t product = int64_t{frameLength} * Rate50Hz(header);
  if (header.Layer == kLayerI) {
    bitrate = ClampToInt32(product * 1000 / 960);
  } else if (header.Layer == kLayerII || header.VersionId == 1) {
    bitrate = ClampToInt32(product * 1000 / 2880);
  } else if (header.SyncKind == 1) {
    bitrate = ClampToInt32(product * 1000 / 1440);
  } else {
    bitrate = ClampToInt32(product * 500 / 1440);
  }
  return frameLength;
}

int32_t FindFrameHeader(const uint8_t* bytes, uint32_t length, MpegFrameHeader& header,
                        int32_t& bitrate, uint32_t& offset) {
  // A candidate needs all four header bytes inside the range.
  for (uint32_t i = 0; i + 3 < length; ++i) {
    if (bytes[i] == 0xFF && (bytes[i + 1] & 0xE0) == 0xE0) {
      offset = i;
      return DecodeHeaderAndBitrate(bytes + i, length - i, header, bitrate);
    }
  }
  return 0;
}

}  // namespace yumekaze::decoder

// Header fields and side information of ISO/IEC 11172-3 (2.4.1.7) and 13818-3 (2.4.1.7).
#include "decoder/layer3/side_info.h"

namespace yumekaze::decoder {
namespace {

// Layer III bitrates in kbit/s: [VersionId][BitrateIndex] (index 15 is not a bitrate).
constexpr int32_t kBitrates[2][16] = {
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},
};
// Sampling frequencies divided by 50: [VersionId][SampleRateIndex]; the reserved index gives a
// negative length, which the main-data size check refuses.
constexpr int32_t kRatesBy50[2][4] = {{441, 480, 320, -999}, {882, 960, 640, -999}};

void ReadHeaderFields(L3BitReader& reader, Layer3FrameFields& frame, int32_t& frameLength,
                      int32_t lengthFactor) {
  frame.VersionId = static_cast<int32_t>(GetBits(reader, 1));
  GetBits(reader, 2);  // layer
  frame.ProtectionBit = static_cast<int32_t>(GetBits(reader, 1));
  frame.BitrateIndex = static_cast<int32_t>(GetBits(reader, 4));
  frame.SampleRateIndex = static_cast<int32_t>(GetBits(reader, 2));
  frame.Padding = static_cast<int32_t>(GetBits(reader, 1));
  GetBits(reader, 1);  // private bit
  frame.Mode = static_cast<int32_t>(GetBits(reader, 2));
  frame.ModeExtension = static_cast<int32_t>(GetBits(reader, 2));
  if (frame.Mode != 1) frame.ModeExtension = 0;
  frame.MsStereo = (frame.ModeExtension >> 1) & 1;
  frame.IntensityStereo = frame.ModeExtension & 1;
  frame.Channels = frame.Mode == 3 ? 1 : 2;
  if (frame.ProtectionBit) {
    GetBits(reader, 4);
    frame.CrcBytes = 0;
  } else {
    GetBits(reader, 20);  // the CRC is not verified
    frame.CrcBytes = 2;
  }
  if (frame.BitrateIndex > 0) {
    frameLength = kBitrates[frame.VersionId][frame.BitrateIndex] * lengthFactor /
                  kRatesBy50[frame.VersionId][frame.SampleRateIndex];
  }
}

void ReadGranuleChannel(L3BitReader& reader, GranuleSideInfo& info, const Layer3FrameFields& frame,
                        bool lsf, int32_t gainOffset) {
  info.Part23Length = static_cast<int32_t>(GetBits(reader, 12));
  info.BigValues = static_cast<int32_t>(GetBits(reader, 9));
  info.GlobalGain =
      static_cast<int32_t>(GetBits(reader, 8)) + gainOffset - (frame.MsStereo ? 2 : 0);
  info.ScalefacCompress = static_cast<int32_t>(GetBits(reader, lsf ? 9 : 4));
  info.WindowSwitching = static_cast<int32_t>(GetBits(reader, 1));
  if (info.WindowSwitching) {
    info.BlockType = static_cast<int32_t>(GetBits(reader, 2));
    info.MixedBlock = static_cast<int32_t>(GetBits(reader, 1));
    info.TableSelect[0] = static_cast<int32_t>(GetBits(reader, 5));
    info.TableSelect[1] = static_cast<int32_t>(GetBits(reader, 5));
    info.TableSelect[2] = 0;
    for (int w = 0; w < 3; ++w) info.SubblockGain[w] = static_cast<int32_t>(GetBits(reader, 3));
    if (lsf && info.BlockType == 2) {
      info.Region0Count = 5;
      info.Region1Count = 15;
    } else {
      info.Region0Count = 7;
      info.Region1Count = 13;
    }
  } else {
    info.BlockType = 0;
    info.MixedBlock = 0;
    for (int r = 0; r < 3; ++r) info.TableSelect[r] = static_cast<int32_t>(GetBits(reader, 5));
    for (int w = 0; w < 3; ++w) info.SubblockGain[w] = 0;
    info.Region0Count = static_cast<int32_t>(GetBits(reader, 4));
    info.Region1Count = static_cast<int32_t>(GetBits(reader, 3));
  }
  info.Preflag = lsf ? 0 : static_cast<int32_t>(GetBits(reader, 1));
  info.ScalefacScale = static_cast<int32_t>(GetBits(reader, 1));
  info.Count1TableSelect = static_cast<int32_t>(GetBits(reader, 1));
}

}  // namespace

int32_t ReadSideInfoMpeg1(L3BitReader& reader, Layer3FrameFields& frame, int32_t& frameLength,
                          GranuleSideInfo (&sideInfo)[2][2], int32_t gainOffset) {
  ReadHeaderFields(reader, frame, frameLength, 2880);
  frame.MainDataBegin = static_cast<int32_t>(GetBits(reader, 9));
  GetBits(reader, frame.Channels == 1 ? 5 : 3);
  for (int ch = 0; ch < frame.Channels; ++ch) {
    frame.Scfsi[ch] = static_cast<int32_t>(GetBits(reader, 4));
  }
  for (int gr = 0; gr < 2; ++gr) {
    for (int ch = 0; ch < frame.Channels; ++ch) {
      ReadGranuleChannel(reader, sideInfo[gr][ch], frame, false, gainOffset);
    }
  }
  return HeaderAndSideInfoBytes(true, frame.Channels);
}

int32_t ReadSideInfoLsf(L3BitReader& reader, Layer3FrameFields& frame, int32_t& frameLength,
                        GranuleSideInfo (&sideInfo)[2][2], int32_t granuleSlot,
                        int32_t gainOffset) {
  ReadHeaderFields(reader, frame, frameLength, frame.Mpeg25 ? 2880 : 1440);
  frame.MainDataBegin = static_cast<int32_t>(GetBits(reader, 8));
  GetBits(reader, frame.Channels == 1 ? 1 : 2);
  frame.Scfsi[0] = frame.Scfsi[1] = 0;
  for (int ch = 0; ch < frame.Channels; ++ch) {
    ReadGranuleChannel(reader, sideInfo[granuleSlot & 1][ch], frame, true, gainOffset);
  }
  return HeaderAndSideInfoBytes(false, frame.Channels);
}

MainDataSpan PeekMainDataSpan(const FrameInfo& frame, const uint8_t* bytes) {
  const MpegFrameHeader& header = frame.Header;
  if (header.Layer != 1) return {};
  const bool mpeg1 = header.VersionId == 1;
  const int32_t crc = header.ProtectionBit ? 0 : 2;
  const int32_t side_info_end = HeaderAndSideInfoBytes(mpeg1, frame.Channels) + crc;
  if (frame.Length < side_info_end) return {};
  const uint8_t* side_info = bytes + 4 + crc;
  const int32_t begin = mpeg1 ? (side_info[0] << 1) | (side_info[1] >> 7) : side_info[0];
  return {begin, frame.Length - side_info_end};
}

}  // namespace yumekaze::decoder

// Side information of both forms, read from hand-made frames.
#include "decoder/layer3/side_info.h"

#include <gtest/gtest.h>

#include "decoder/layer3/layer3_test_support.h"

namespace yumekaze::testing {
namespace {

using decoder::GranuleSideInfo;
using decoder::L3BitReader;
using decoder::Layer3FrameFields;

struct ReadResult {
  int32_t Size;
  Layer3FrameFields Frame{};
  int32_t FrameLength = -1;
  GranuleSideInfo SideInfo[2][2]{};
};

ReadResult Read(const std::vector<uint8_t>& bytes, bool lsf, int32_t slot, int32_t gainOffset) {
  ReadResult result{};
  result.FrameLength = -1;
  L3BitReader reader;
  decoder::StartReader(reader, bytes.data(), static_cast<int32_t>(bytes.size()), 0);
  const uint32_t sync = decoder::GetBits(reader, 12);
  result.Frame.Mpeg25 = sync == 0xFFE;
  result.Size = lsf ? decoder::ReadSideInfoLsf(reader, result.Frame, result.FrameLength,
                                               result.SideInfo, slot, gainOffset)
                    : decoder::ReadSideInfoMpeg1(reader, result.Frame, result.FrameLength,
                                                 result.SideInfo, gainOffset);
  return result;
}

TEST(SideInfo, Mpeg1StereoWithMidSideAndWindowSwitching) {
  BitWriter writer;
  FrameHeaderFields fields;
  fields.Mode = 1;
  fields.ModeExtension = 2;  // mid/side only
  fields.ProtectionBit = 0;
  fields.Padding = 1;
  PutHeader(writer, fields);
  writer.Put(0xABCD, 16);  // CRC, skipped
  writer.Put(300, 9);      // main_data_begin
  writer.Put(0, 3);
  writer.Put(0b1010, 4);
  writer.Put(0b0101, 4);
  GranuleFields plain;
  plain.Part23Length = 1234;
  plain.BigValues = 200;
  plain.GlobalGain = 180;
  plain.ScalefacCompress = 13;
  plain.TableSelect[0] = 24;
  plain.TableSelect[1] = 15;
  plain.TableSelect[2] = 31;
  plain.Region0Count = 9;
  plain.Region1Count = 5;
  plain.Preflag = 1;
  plain.Count1TableSelect = 1;
  GranuleFields shortBlock;
  shortBlock.WindowSwitching = 1;
  shortBlock.BlockType = 2;
  shortBlock.MixedBlock = 1;
  shortBlock.TableSelect[0] = 7;
  shortBlock.TableSelect[1] = 9;
  shortBlock.SubblockGain[0] = 1;
  shortBlock.SubblockGain[2] = 7;
  shortBlock.ScalefacScale = 1;
  PutGranule(writer, plain, false);
  PutGranule(writer, shortBlock, false);
  PutGranule(writer, shortBlock, false);
  PutGranule(writer, plain, false);
  const ReadResult r = Read(writer.Bytes(64), false, 0, 0);

  EXPECT_EQ(r.Size, 36);
  EXPECT_EQ(r.Frame.CrcBytes, 2);
  EXPECT_EQ(r.Frame.MsStereo, 1);
  EXPECT_EQ(r.Frame.IntensityStereo, 0);
  EXPECT_EQ(r.Frame.Channels, 2);
  EXPECT_EQ(r.Frame.Padding, 1);
  EXPECT_EQ(r.FrameLength, 417);  // 128 kbit/s at 44.1 kHz
  EXPECT_EQ(r.Frame.MainDataBegin, 300);
  EXPECT_EQ(r.Frame.Scfsi[0], 0b1010);
  EXPECT_EQ(r.Frame.Scfsi[1], 0b0101);
  const GranuleSideInfo& a = r.SideInfo[0][0];
  EXPECT_EQ(a.Part23Length, 1234);
  EXPECT_EQ(a.BigValues, 200);
  EXPECT_EQ(a.GlobalGain, 178);  // mid/side folds 1/sqrt(2) into the gain
  EXPECT_EQ(a.ScalefacCompress, 13);
  EXPECT_EQ(a.TableSelect[2], 31);
  EXPECT_EQ(a.Region0Count, 9);
  EXPECT_EQ(a.Region1Count, 5);
  EXPECT_EQ(a.Preflag, 1);
  EXPECT_EQ(a.Count1TableSelect, 1);
  const GranuleSideInfo& b = r.SideInfo[0][1];
  EXPECT_EQ(b.BlockType, 2);
  EXPECT_EQ(b.MixedBlock, 1);
  EXPECT_EQ(b.TableSelect[1], 9);
  EXPECT_EQ(b.TableSelect[2], 0);
  EXPECT_EQ(b.SubblockGain[0], 1);
  EXPECT_EQ(b.SubblockGain[2], 7);
  EXPECT_EQ(b.Region0Count, 7);  // implied
  EXPECT_EQ(b.Region1Count, 13);
  EXPECT_EQ(b.ScalefacScale, 1);
  EXPECT_EQ(r.SideInfo[1][1].Part23Length, 1234);
  EXPECT_EQ(r.SideInfo[1][0].BlockType, 2);
}

TEST(SideInfo, LsfMonoGoesIntoTheGivenGranuleSlot) {
  BitWriter writer;
  FrameHeaderFields fields;
  fields.VersionId = 0;
  fields.Mode = 3;
  fields.BitrateIndex = 8;     // 64 kbit/s
  fields.SampleRateIndex = 0;  // 22.05 kHz
  PutHeader(writer, fields);
  writer.Put(255, 8);
  writer.Put(0, 1);
  GranuleFields shortBlock;
  shortBlock.Part23Length = 999;
  shortBlock.GlobalGain = 3;
  shortBlock.ScalefacCompress = 511;
  shortBlock.WindowSwitching = 1;
  shortBlock.BlockType = 2;
  PutGranule(writer, shortBlock, true);
  const ReadResult r = Read(writer.Bytes(32), true, 1, -4);

  EXPECT_EQ(r.Size, 13);
  EXPECT_EQ(r.FrameLength, 208);  // 64 x 1440 / 441
  EXPECT_EQ(r.Frame.MainDataBegin, 255);
  EXPECT_EQ(r.Frame.Channels, 1);
  const GranuleSideInfo& g = r.SideInfo[1][0];
  EXPECT_EQ(g.Part23Length, 999);
  EXPECT_EQ(g.GlobalGain, -1);  // gain offset applied
  EXPECT_EQ(g.ScalefacCompress, 511);
  EXPECT_EQ(g.Region0Count, 5);  // LSF short blocks
  EXPECT_EQ(g.Region1Count, 15);
  EXPECT_EQ(g.Preflag, 0);
  EXPECT_EQ(r.SideInfo[0][0].Part23Length, 0);  // the other slot is untouched
}

TEST(SideInfo, Mpeg25UsesTheDoubledLengthFactorAndIgnoresModeExtensionOutsideJointStereo) {
  BitWriter writer;
  FrameHeaderFields fields;
  fields.Mpeg25 = true;
  fields.VersionId = 0;
  fields.BitrateIndex = 1;     // 8 kbit/s
  fields.SampleRateIndex = 2;  // 8 kHz
  fields.Mode = 0;
  fields.ModeExtension = 3;
  PutHeader(writer, fields);
  const ReadResult r = Read(writer.Bytes(32), true, 0, 0);
  EXPECT_EQ(r.Size, 21);
  EXPECT_EQ(r.FrameLength, 72);
  EXPECT_EQ(r.Frame.ModeExtension, 0);
  EXPECT_EQ(r.Frame.MsStereo, 0);
  EXPECT_EQ(r.Frame.IntensityStereo, 0);
}

TEST(SideInfo, FreeFormatKeepsThePreviousLength) {
  BitWriter writer;
  FrameHeaderFields fields;
  fields.BitrateIndex = 0;
  PutHeader(writer, fields);
  const ReadResult r = Read(writer.Bytes(40), false, 0, 0);
  EXPECT_EQ(r.FrameLength, -1);
}

}  // namespace
}  // namespace yumekaze::testing

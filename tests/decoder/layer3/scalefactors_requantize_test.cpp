// Scale factor readers (MPEG-1 reuse, LSF partitions) and requantization.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "decoder/layer3/layer3_test_support.h"
#include "decoder/layer3/requantize.h"
#include "decoder/layer3/scalefactors.h"

namespace yumekaze::testing {
namespace {

using decoder::GranuleSideInfo;
using decoder::L3BitReader;
using decoder::LsfIntensityRecord;
using decoder::RequantInfo;

L3BitReader ReaderOver(const std::vector<uint8_t>& bytes) {
  L3BitReader reader;
  decoder::StartReader(reader, bytes.data(), static_cast<int32_t>(bytes.size()), 0);
  return reader;
}

TEST(ScalefactorsMpeg1, SecondGranuleReusesEveryGroupWithAllScfsiBits) {
  int32_t granule0[62] = {};
  for (int i = 0; i < 21; ++i) granule0[i] = i % 16;
  int32_t granule1[62] = {};
  GranuleSideInfo info{};
  info.ScalefacCompress = 15;  // slen (4, 3)
  const std::vector<uint8_t> bytes(32, 0xFF);
  L3BitReader reader = ReaderOver(bytes);
  decoder::ReadScalefactorsMpeg1(reader, granule1, granule0, info, 0b1111, 1);
  EXPECT_EQ(decoder::BitsRead(reader), 0);
  for (int i = 0; i < 21; ++i) EXPECT_EQ(granule1[i], granule0[i]);
  // Only the second group reused: 6 x 4 + 5 x 3 + 5 x 3 bits read, all ones.
  L3BitReader again = ReaderOver(bytes);
  decoder::ReadScalefactorsMpeg1(again, granule1, granule0, info, 0b0100, 1);
  EXPECT_EQ(decoder::BitsRead(again), 6 * 4 + 5 * 3 + 5 * 3);
  EXPECT_EQ(granule1[0], 15);
  EXPECT_EQ(granule1[6], granule0[6]);
  EXPECT_EQ(granule1[11], 7);
}

TEST(ScalefactorsMpeg1, MixedBlockReadsEightLongThenShortBandsThreeUp) {
  BitWriter writer;
  GranuleSideInfo info{};
  info.BlockType = 2;
  info.MixedBlock = 1;
  info.ScalefacCompress = 5;  // slen (1, 1)
  for (int band = 0; band < 8; ++band) writer.Put(band & 1, 1);
  for (int i = 0; i < 3 * 3 + 6 * 3; ++i) writer.Put(1, 1);
  const auto bytes = writer.Bytes(32);
  L3BitReader reader = ReaderOver(bytes);
  int32_t scalefactors[62] = {};
  decoder::ReadScalefactorsMpeg1(reader, scalefactors, scalefactors, info, 0, 0);
  EXPECT_EQ(decoder::BitsRead(reader), 8 + 27);
  EXPECT_EQ(scalefactors[7], 1);
  EXPECT_EQ(scalefactors[decoder::kShortScalefactorBase + 2], 0);  // band 2: not read
  EXPECT_EQ(scalefactors[decoder::kShortScalefactorBase + 3 + 13 * 2], 1);
  EXPECT_EQ(scalefactors[decoder::kShortScalefactorBase + 11], 1);
  EXPECT_EQ(scalefactors[decoder::kShortScalefactorBase + 12], 0);
}

TEST(ScalefactorsLsf, PartitionRowsLengthsAndPreflag) {
  struct Case {
    int compress;
    int blockType;
    int mixed;
    int bits;  // total scale factor bits
    int preflag;
  };
  // 100: slen (1, 1, 1, 0), row 0 long 6 5 5 5 -> 16 bits.
  // 450: d 50 -> slen (2, 2, 2, 0), row 1 short 3 3 4 2 bands x 3 -> 2 x (9 + 9 + 12) = 60.
  // 505: d 5 -> slen (1, 2), row 2 long 11 10 -> 11 + 20 = 31, preflag.
  // 505 mixed: lengths (1, 1, 2): 6 long x 1 + 3 bands x 3 x 1 + 6 bands x 3 x 2 = 51.
  const Case cases[] = {
      {100, 0, 0, 16, 0}, {450, 2, 0, 60, 0}, {505, 0, 0, 31, 1}, {505, 2, 1, 51, 1}};
  for (const Case& c : cases) {
    GranuleSideInfo info{};
    info.ScalefacCompress = c.compress;
    info.BlockType = c.blockType;
    info.MixedBlock = c.mixed;
    const std::vector<uint8_t> bytes(32, 0xFF);
    L3BitReader reader = ReaderOver(bytes);
    int32_t scalefactors[62] = {};
    LsfIntensityRecord record{};
    decoder::ReadScalefactorsLsf(reader, scalefactors, info, false, record);
    EXPECT_EQ(decoder::BitsRead(reader), c.bits) << c.compress;
    EXPECT_EQ(info.Preflag, c.preflag) << c.compress;
  }
}

TEST(ScalefactorsLsf, IntensityChannelFillsTheRecord) {
  GranuleSideInfo info{};
  info.ScalefacCompress = 2 * 190 + 1;  // i = 190: d 10 -> slen (0, 2, 2), row 4; scale 1
  info.Preflag = 1;
  const std::vector<uint8_t> bytes(32, 0xFF);
  L3BitReader reader = ReaderOver(bytes);
  int32_t scalefactors[62] = {};
  LsfIntensityRecord record{};
  decoder::ReadScalefactorsLsf(reader, scalefactors, info, true, record);
  EXPECT_EQ(record.IntensityScale, 1);
  EXPECT_EQ(record.PartitionCounts[0], 6);
  EXPECT_EQ(record.PartitionCounts[1], 6);
  EXPECT_EQ(record.PartitionCounts[2], 6);
  EXPECT_EQ(record.Lengths[0], 0);
  EXPECT_EQ(record.Lengths[1], 2);
  EXPECT_EQ(record.Lengths[2], 2);
  EXPECT_EQ(info.Preflag, 0);
  EXPECT_EQ(decoder::BitsRead(reader), 6 * 2 + 6 * 2);
  EXPECT_EQ(scalefactors[0], 0);
  EXPECT_EQ(scalefactors[6], 3);
}

class Requantization : public ::testing::Test {
 protected:
  void SetUp() override {
    decoder::BuildLayer3Tables(tables_);
    for (int i = 0; i < 22; ++i) longWidths_[i] = kLong44[i + 1] - kLong44[i];
    for (int i = 0; i < 13; ++i) shortWidths_[i] = kShort44[i + 1] - kShort44[i];
  }
  static constexpr int kLong44[23] = {0,  4,  8,   12,  16,  20,  24,  30,  36,  44,  52, 62,
                                      74, 90, 110, 134, 162, 196, 238, 288, 342, 418, 576};
  static constexpr int kShort44[14] = {0, 4, 8, 12, 16, 22, 30, 40, 52, 66, 84, 106, 136, 192};
  decoder::Layer3Tables tables_{};
  int32_t longWidths_[22];
  int32_t shortWidths_[13];
  decoder::RequantBands Bands() const { return {longWidths_, shortWidths_, 8}; }
};

TEST_F(Requantization, LargeValuesFollowTheFormula) {
  for (const int value : {-32, 31, 32, -33, 100, -8206}) {
    const double expect = std::copysign(std::pow(std::abs(value), 4.0 / 3.0), value);
    EXPECT_NEAR(decoder::RequantizeValue(tables_, value, 1.0f), expect, std::abs(expect) * 2e-7)
        << value;
  }
}

TEST_F(Requantization, LongBlockStopsAfterTheBandHoldingTheLastLine) {
  std::vector<int32_t> quantized(576, 0);
  quantized[0] = 1;
  quantized[21] = -2;  // band 5 (20..23)
  std::vector<float> spectrum(576, 123.0f);
  std::vector<float> work(576);
  int32_t scalefactors[62] = {};
  GranuleSideInfo info{};
  info.GlobalGain = 150;  // gain 1.0 on the 16-bit scale
  RequantInfo requant{};
  int32_t nonzero = 22;
  decoder::Requantize(tables_, Bands(), quantized.data(), spectrum.data(), nonzero, scalefactors,
                      info, requant, work.data());
  EXPECT_FLOAT_EQ(spectrum[0], 1.0f);
  EXPECT_NEAR(spectrum[21], -std::pow(2.0, 4.0 / 3.0), 1e-5);
  for (int i = 24; i < 576; ++i) ASSERT_EQ(spectrum[i], 0.0f) << i;
  EXPECT_EQ(requant.HasShort, 0);
  EXPECT_EQ(requant.MaxSfb, 5);
  EXPECT_EQ(nonzero, 22);
}

TEST_F(Requantization, GainsScaleFactorsAndPreEmphasisCombine) {
  std::vector<int32_t> quantized(576, 0);
  quantized[200] = 1;  // band 17 (196..237), pre-emphasis 3
  std::vector<float> spectrum(576);
  std::vector<float> work(576);
  int32_t scalefactors[62] = {};
  scalefactors[17] = 2;
  GranuleSideInfo info{};
  info.GlobalGain = 154;  // x 2
  info.ScalefacScale = 1;
  info.Preflag = 1;
  RequantInfo requant{};
  int32_t nonzero = 201;
  decoder::Requantize(tables_, Bands(), quantized.data(), spectrum.data(), nonzero, scalefactors,
                      info, requant, work.data());
  // 2 x 2^(-0.5 x 2 x (3 + 2)) = 2^-4.
  EXPECT_FLOAT_EQ(spectrum[200], 0.0625f);
  EXPECT_EQ(requant.MaxSfb, 17);
}

TEST_F(Requantization, ShortBlockInterleavesWindowsAndRoundsUpToTheBand) {
  std::vector<int32_t> quantized(576, 0);
  // Band 0 (4 lines per window): window 0 line 1, window 2 line 3; band 1: window 1 line 0.
  quantized[1] = 1;
  quantized[8 + 3] = 2;
  quantized[12 + 4] = 3;
  std::vector<float> spectrum(576, 9.0f);
  std::vector<float> work(576);
  int32_t scalefactors[62] = {};
  GranuleSideInfo info{};
  info.GlobalGain = 150;
  info.BlockType = 2;
  info.SubblockGain[2] = 1;  // window 2 x 2^-2
  RequantInfo requant{};
  int32_t nonzero = 17;
  decoder::Requantize(tables_, Bands(), quantized.data(), spectrum.data(), nonzero, scalefactors,
                      info, requant, work.data());
  EXPECT_EQ(nonzero, 24);
  EXPECT_FLOAT_EQ(spectrum[3 * 1 + 0], 1.0f);
  EXPECT_NEAR(spectrum[3 * 3 + 2], std::pow(2.0, 4.0 / 3.0) / 4.0, 1e-6);
  EXPECT_NEAR(spectrum[12 + 3 * 0 + 1], std::pow(3.0, 4.0 / 3.0), 1e-5);
  EXPECT_EQ(spectrum[0], 0.0f);
  EXPECT_EQ(spectrum[24], 0.0f);
  EXPECT_EQ(requant.HasShort, 1);
  EXPECT_EQ(requant.MaxShortSfb[0], 0);
  EXPECT_EQ(requant.MaxShortSfb[1], 1);
  EXPECT_EQ(requant.MaxShortSfb[2], 0);
  EXPECT_EQ(requant.MaxSfb, 1);
}

}  // namespace
}  // namespace yumekaze::testing

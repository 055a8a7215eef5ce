// Joint stereo (mid/side, intensity positions of both forms) and alias reduction.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "decoder/layer3/alias_reduction.h"
#include "decoder/layer3/scalefactors.h"
#include "decoder/layer3/stereo.h"

namespace yumekaze::testing {
namespace {

using decoder::GranuleSideInfo;
using decoder::RequantInfo;

constexpr int kLong44[23] = {0,  4,  8,   12,  16,  20,  24,  30,  36,  44,  52, 62,
                             74, 90, 110, 134, 162, 196, 238, 288, 342, 418, 576};
constexpr int kShort44[14] = {0, 4, 8, 12, 16, 22, 30, 40, 52, 66, 84, 106, 136, 192};

class Stereo : public ::testing::Test {
 protected:
  void SetUp() override {
    decoder::BuildLayer3Tables(tables_);
    for (int i = 0; i < 22; ++i) {
      longEnd_[i] = kLong44[i + 1];
      longWidth_[i] = kLong44[i + 1] - kLong44[i];
    }
    for (int i = 0; i < 13; ++i) {
      shortEnd3_[i] = 3 * kShort44[i + 1];
      shortWidth_[i] = kShort44[i + 1] - kShort44[i];
    }
  }
  decoder::StereoBands Bands() const { return {longEnd_, shortEnd3_, longWidth_, shortWidth_, 8}; }

  decoder::Layer3Tables tables_{};
  int32_t longEnd_[22], longWidth_[22], shortEnd3_[13], shortWidth_[13];
  std::vector<float> left_ = std::vector<float>(576, 1.0f);
  std::vector<float> right_ = std::vector<float>(576, 0.0f);
  int32_t scalefactors_[62] = {};
};

TEST_F(Stereo, MidSideRestoresLeftAndRight) {
  left_[0] = 3.0f;
  right_[0] = 1.0f;
  left_[1] = 5.0f;
  right_[1] = 2.0f;
  decoder::MidSide(left_.data(), right_.data(), 1);
  EXPECT_EQ(left_[0], 4.0f);
  EXPECT_EQ(right_[0], 2.0f);
  EXPECT_EQ(left_[1], 5.0f);  // beyond the count
  EXPECT_EQ(right_[1], 2.0f);
}

TEST_F(Stereo, Mpeg1PositionsSplitAboveChannelOnesLastBand) {
  const GranuleSideInfo info{};
  RequantInfo requant{};
  requant.MaxSfb = 3;     // channel 1 nonzero up to band 3
  scalefactors_[4] = 0;   // all left
  scalefactors_[5] = 6;   // all right
  scalefactors_[6] = 3;   // centre
  scalefactors_[7] = 7;   // not intensity coded
  scalefactors_[8] = 12;  // above 7: as 7
  scalefactors_[20] = 1;  // band 21 takes band 20's position
  decoder::IntensityMpeg1(tables_, Bands(), left_.data(), right_.data(), scalefactors_, info,
                          requant, false);
  EXPECT_EQ(left_[15], 1.0f);  // band 3 untouched
  EXPECT_EQ(right_[15], 0.0f);
  EXPECT_NEAR(left_[16], 0.0f, 1e-7);  // band 4: position 0
  EXPECT_NEAR(right_[16], 1.0f, 1e-7);
  EXPECT_NEAR(left_[20], 1.0f, 1e-6);  // band 5: position 6
  EXPECT_NEAR(right_[20], 0.0f, 1e-6);
  EXPECT_NEAR(left_[24], 0.5f, 1e-6);  // band 6: position 3
  EXPECT_NEAR(right_[24], 0.5f, 1e-6);
  EXPECT_EQ(left_[30], 1.0f);  // band 7: position 7
  EXPECT_EQ(right_[30], 0.0f);
  EXPECT_EQ(left_[36], 1.0f);  // band 8: position 12 read as 7
  EXPECT_EQ(right_[36], 0.0f);
  const double k = std::sin(M_PI / 12) / (std::sin(M_PI / 12) + std::cos(M_PI / 12));
  EXPECT_NEAR(left_[500], k, 1e-6);
  EXPECT_NEAR(right_[500], 1 - k, 1e-6);
}

TEST_F(Stereo, Mpeg1PositionSevenWithMidSideGivesBothChannelsTheMid) {
  const GranuleSideInfo info{};
  RequantInfo requant{};
  for (int b = 0; b < 21; ++b) scalefactors_[b] = 7;
  decoder::IntensityMpeg1(tables_, Bands(), left_.data(), right_.data(), scalefactors_, info,
                          requant, true);
  EXPECT_EQ(left_[100], 1.0f);
  EXPECT_EQ(right_[100], 1.0f);
  EXPECT_EQ(right_[2], 0.0f);  // band 0 is never intensity coded
}

TEST_F(Stereo, Mpeg1ShortBlocksFindTheBoundPerWindow) {
  GranuleSideInfo info{};
  info.BlockType = 2;
  RequantInfo requant{};
  requant.HasShort = 1;
  requant.MaxShortSfb[0] = 4;
  requant.MaxShortSfb[1] = -1;  // window 1 of channel 1 is empty
  requant.MaxShortSfb[2] = 10;
  for (int b = 0; b < 12; ++b) {
    for (int w = 0; w < 3; ++w) scalefactors_[decoder::kShortScalefactorBase + b + 13 * w] = 0;
  }
  decoder::IntensityMpeg1(tables_, Bands(), left_.data(), right_.data(), scalefactors_, info,
                          requant, false);
  // Band 0 (lines 0..11): window 1 split, windows 0 and 2 not.
  EXPECT_EQ(left_[0], 1.0f);
  EXPECT_NEAR(right_[1], 1.0f, 1e-7);
  EXPECT_EQ(left_[2], 1.0f);
  // Band 5 (from line 3 x 22 = 66): windows 0 and 1 split, window 2 not.
  EXPECT_NEAR(right_[66], 1.0f, 1e-7);
  EXPECT_NEAR(right_[67], 1.0f, 1e-7);
  EXPECT_EQ(right_[68], 0.0f);
  // Band 12 takes band 11's position in every window past its bound.
  EXPECT_NEAR(right_[575], 1.0f, 1e-7);
}

TEST_F(Stereo, LsfPositionsUseTheirPartitionsSubTable) {
  const GranuleSideInfo info{};
  RequantInfo requant{};
  requant.MaxSfb = 0;
  decoder::LsfIntensityRecord record{};
  record.IntensityScale = 0;
  record.PartitionCounts[0] = 7;
  record.PartitionCounts[1] = 7;
  record.PartitionCounts[2] = 7;
  record.Lengths[0] = 2;  // positions 0..2 coded, 3 = not intensity coded
  record.Lengths[1] = 0;  // no positions: never intensity coded
  record.Lengths[2] = 3;
  scalefactors_[1] = 1;   // odd: left x 2^-1/4
  scalefactors_[2] = 2;   // even: right x 2^-1/4
  scalefactors_[3] = 3;   // the partition's illegal position
  scalefactors_[14] = 7;  // partition 3's illegal position
  scalefactors_[15] = 4;  // right x 2^-1/2
  decoder::IntensityLsf(tables_, Bands(), left_.data(), right_.data(), scalefactors_, info, requant,
                        record, false);
  const float io = static_cast<float>(std::pow(2.0, -0.25));
  EXPECT_NEAR(left_[4], io, 1e-6);  // band 1
  EXPECT_NEAR(right_[4], 1.0f, 1e-6);
  EXPECT_NEAR(left_[8], 1.0f, 1e-6);  // band 2
  EXPECT_NEAR(right_[8], io, 1e-6);
  EXPECT_EQ(left_[12], 1.0f);  // band 3: illegal position
  EXPECT_EQ(right_[12], 0.0f);
  EXPECT_EQ(right_[kLong44[8]], 0.0f);              // band 8, partition 2 of length 0
  EXPECT_EQ(right_[kLong44[14]], 0.0f);             // band 14: illegal
  EXPECT_NEAR(right_[kLong44[15]], io * io, 1e-6);  // band 15
  EXPECT_NEAR(left_[kLong44[15]], 1.0f, 1e-6);
}

TEST(AliasReduction, BoundaryCountAndButterflies) {
  EXPECT_EQ(decoder::AliasBoundaries(95, false), 5);
  EXPECT_EQ(decoder::AliasBoundaries(100, false), 5);
  EXPECT_EQ(decoder::AliasBoundaries(576, false), 31);
  EXPECT_EQ(decoder::AliasBoundaries(576, true), 1);
  EXPECT_EQ(decoder::AliasBoundaries(10, false), 0);

  decoder::Layer3Tables tables{};
  decoder::BuildLayer3Tables(tables);
  std::vector<float> lines(576, 0.0f);
  lines[17] = 1.0f;  // a = x[18 - 1 - 0]
  lines[18] = 2.0f;  // b = x[18 + 0]
  lines[36] = 5.0f;  // past one boundary: untouched
  std::vector<float> packed = lines;
  decoder::AliasReduceX87(tables, lines.data(), 1);
  const double c = -0.6;
  const double cs = 1 / std::sqrt(1 + c * c);
  const double ca = c / std::sqrt(1 + c * c);
  EXPECT_NEAR(lines[17], cs - 2 * ca, 1e-6);
  EXPECT_NEAR(lines[18], 2 * cs + ca, 1e-6);
  EXPECT_EQ(lines[35], 0.0f);
  EXPECT_EQ(lines[36], 5.0f);
  decoder::AliasReducePacked(tables, packed.data(), 1);
  EXPECT_NEAR(packed[17], lines[17], 1e-6);
  EXPECT_NEAR(packed[18], lines[18], 1e-6);
  decoder::AliasReduceX87(tables, lines.data(), 0);
  EXPECT_NEAR(lines[17], cs - 2 * ca, 1e-6);
}

}  // namespace
}  // namespace yumekaze::testing

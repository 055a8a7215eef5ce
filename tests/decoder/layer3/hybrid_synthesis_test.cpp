// IMDCT with windowing and overlap-add against the standard's formulas; frequency inversion.
#include "decoder/layer3/hybrid_synthesis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace yumekaze::testing {
namespace {

constexpr int kSubbands = 32;

// The standard's windowed IMDCT of one subband (ISO/IEC 11172-3 2.4.3.4.10.3), in double.
std::vector<double> ReferenceBlock(const float* lines, int blockType) {
  std::vector<double> z(36, 0.0);
  auto sine = [](double n, double i) { return std::sin(M_PI / n * (i + 0.5)); };
  if (blockType == 2) {
    for (int w = 0; w < 3; ++w) {
      for (int i = 0; i < 12; ++i) {
        double sum = 0;
        for (int k = 0; k < 6; ++k) {
          sum += lines[3 * k + w] * std::cos(M_PI / 24 * (2 * i + 1 + 6) * (2 * k + 1));
        }
        z[6 * w + i + 6] += sum * sine(12, i);
      }
    }
    return z;
  }
  for (int i = 0; i < 36; ++i) {
    double sum = 0;
    for (int k = 0; k < 18; ++k) {
      sum += lines[k] * std::cos(M_PI / 72 * (2 * i + 1 + 18) * (2 * k + 1));
    }
    double window = sine(36, i);
    if (blockType == 1) {
      window = i < 18 ? sine(36, i) : i < 24 ? 1.0 : i < 30 ? sine(12, i - 18) : 0.0;
    } else if (blockType == 3) {
      window = i < 6 ? 0.0 : i < 12 ? sine(12, i - 6) : i < 18 ? 1.0 : sine(36, i);
    }
    z[i] = sum * window;
  }
  return z;
}

class HybridSynthesis : public ::testing::Test {
 protected:
  void SetUp() override {
    decoder::BuildLayer3Tables(tables_);
    for (int i = 0; i < 576; ++i) spectrum_[i] = static_cast<float>(std::sin(i * 0.37) * 1000.0);
    for (int i = 0; i < 576; ++i) overlap_[i] = static_cast<float>(std::cos(i * 0.11) * 100.0);
    input_ = spectrum_;
  }
  // Checks subband sb of out and the new overlap against the reference block.
  void ExpectSubband(int sb, int blockType) {
    const auto z = ReferenceBlock(input_.data() + 18 * sb, blockType);
    for (int t = 0; t < 18; ++t) {
      EXPECT_NEAR(out_[kSubbands * t + sb], overlap_[18 * sb + t] + z[t], 2e-3)
          << "sb " << sb << " t " << t;
      EXPECT_NEAR(spectrum_[18 * sb + t], z[18 + t], 2e-3) << "sb " << sb << " t " << t;
    }
  }
  decoder::Layer3Tables tables_{};
  std::vector<float> spectrum_ = std::vector<float>(576);
  std::vector<float> overlap_ = std::vector<float>(576);
  std::vector<float> input_;
  std::vector<float> out_ = std::vector<float>(576, 77.0f);
};

TEST_F(HybridSynthesis, LongBlocksOfEveryWindowMatchTheFormula) {
  for (const int blockType : {0, 1, 3}) {
    spectrum_ = input_;
    EXPECT_EQ(decoder::HybridSynthesisX87(tables_, spectrum_.data(), overlap_.data(), out_.data(),
                                          blockType, 0, 576, 576, 0),
              576);
    for (int sb = 0; sb < kSubbands; ++sb) ExpectSubband(sb, blockType);
  }
}

TEST_F(HybridSynthesis, PureShortBlocksLeaveSlotsZeroToFiveToTheOverlap) {
  EXPECT_EQ(decoder::HybridSynthesisX87(tables_, spectrum_.data(), overlap_.data(), out_.data(), 2,
                                        0, 0, 576, 0),
            576);
  for (int sb = 0; sb < kSubbands; ++sb) {
    ExpectSubband(sb, 2);
    for (int t = 0; t < 6; ++t) EXPECT_EQ(out_[kSubbands * t + sb], overlap_[18 * sb + t]);
    for (int t = 12; t < 18; ++t) EXPECT_EQ(spectrum_[18 * sb + t], 0.0f);
  }
}

TEST_F(HybridSynthesis, MixedBlocksUseTheNormalWindowBelowTheLongPart) {
  // 36 long lines at 44.1 kHz, 72 at 8 kHz.
  for (const int longLines : {36, 72}) {
    spectrum_ = input_;
    decoder::HybridSynthesisX87(tables_, spectrum_.data(), overlap_.data(), out_.data(), 2,
                                longLines, longLines, 576, 0);
    for (int sb = 0; sb < kSubbands; ++sb) ExpectSubband(sb, sb < longLines / 18 ? 0 : 2);
  }
  // A start block with the mixed flag: the normal window for the first two subbands.
  spectrum_ = input_;
  decoder::HybridSynthesisX87(tables_, spectrum_.data(), overlap_.data(), out_.data(), 1, 36, 576,
                              576, 0);
  for (int sb = 0; sb < kSubbands; ++sb) ExpectSubband(sb, sb < 2 ? 0 : 1);
}

TEST_F(HybridSynthesis, SubbandsPastTheLinesPassTheOverlapThenZero) {
  std::vector<float> spectrum(576, 0.0f);
  // 40 lines: three subbands transformed; previous granule reached 100 lines (six subbands).
  for (int i = 0; i < 40; ++i) spectrum[i] = input_[i];
  EXPECT_EQ(decoder::HybridSynthesisX87(tables_, spectrum.data(), overlap_.data(), out_.data(), 0,
                                        0, 40, 40, 100),
            108);
  for (int t = 0; t < 18; ++t) {
    for (int sb = 3; sb < 6; ++sb) EXPECT_EQ(out_[kSubbands * t + sb], overlap_[18 * sb + t]);
    for (int sb = 6; sb < kSubbands; ++sb) EXPECT_EQ(out_[kSubbands * t + sb], 0.0f);
  }
  for (int i = 54; i < 576; ++i) EXPECT_EQ(spectrum[i], 0.0f);
}

TEST_F(HybridSynthesis, PackedFormDiffersOnlyByRounding) {
  std::vector<float> packedSpectrum = spectrum_;
  std::vector<float> packedOut(576);
  decoder::HybridSynthesisX87(tables_, spectrum_.data(), overlap_.data(), out_.data(), 0, 0, 576,
                              576, 0);
  decoder::HybridSynthesisPacked(tables_, packedSpectrum.data(), overlap_.data(), packedOut.data(),
                                 0, 0, 576, 576, 0);
  for (int i = 0; i < 576; ++i) {
    EXPECT_NEAR(packedOut[i], out_[i], 1e-3);
    EXPECT_NEAR(packedSpectrum[i], spectrum_[i], 1e-3);
  }
}

TEST(InvertOddSubbands, NegatesOddSlotsOfOddSubbandsWithinTheLines) {
  std::vector<float> out(576, 1.0f);
  decoder::InvertOddSubbands(out.data(), 72);  // subbands 0..3
  EXPECT_EQ(out[kSubbands * 1 + 1], -1.0f);
  EXPECT_EQ(out[kSubbands * 17 + 3], -1.0f);
  EXPECT_EQ(out[kSubbands * 2 + 1], 1.0f);  // even slot
  EXPECT_EQ(out[kSubbands * 1 + 2], 1.0f);  // even subband
  EXPECT_EQ(out[kSubbands * 1 + 5], 1.0f);  // past the lines
}

}  // namespace
}  // namespace yumekaze::testing

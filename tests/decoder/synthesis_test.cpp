#include "decoder/synthesis.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <memory>
#include <random>
#include <vector>

#include "decoder/decoder_state.h"
#include "decoder/synthesis_window.h"
#include "decoder/tables/tables.h"
#include "decoder/test_support.h"

namespace yumekaze::decoder {
namespace {

int16_t SampleAt(const std::vector<uint8_t>& pcm, size_t index) {
  return static_cast<int16_t>(pcm[2 * index] | (pcm[2 * index + 1] << 8));
}

class Synthesis : public ::testing::Test {
 protected:
  void SetUp() override { ResetSynthesis(*decoder); }
  std::unique_ptr<DecoderState> decoder = std::make_unique<DecoderState>();
  std::vector<float> samples = std::vector<float>(kSubbandSampleCount, 0.0f);
  std::vector<uint8_t> pcm = std::vector<uint8_t>(4608, 0xAA);
};

TEST_F(Synthesis, ImpulseRingsForSixteenSlotsThenSilence) {
  OutputMono(*decoder, samples.data(), pcm.data(), 36);
  for (size_t i = 0; i < 36 * 32; ++i) ASSERT_EQ(SampleAt(pcm, i), 0) << i;

  ResetSynthesis(*decoder);
  samples[5] = 2.0e6f;  // slot 0, subband 5
  OutputMono(*decoder, samples.data(), pcm.data(), 36);
  for (int slot = 0; slot < 36; ++slot) {
    bool any = false;
    for (int j = 0; j < 32; ++j) any |= SampleAt(pcm, 32 * slot + j) != 0;
    EXPECT_EQ(any, slot < 16) << "slot " << slot;
  }
}

TEST_F(Synthesis, RingPositionStepsBackThroughSixteenSlots) {
  std::vector<int32_t> seen;
  for (int s = 0; s < 17; ++s) {
    seen.push_back(decoder->SynthRingPos);
    OutputMono(*decoder, samples.data(), pcm.data(), 1);
  }
  std::vector<int32_t> expected = {0};
  for (int p = 480; p >= 0; p -= 32) expected.push_back(p);
  EXPECT_EQ(seen, expected);
}

TEST(PcmConversion, RoundingAndClippingOfBothForms) {
  EXPECT_EQ(RoundToPcmX87(2.5), 2);
  EXPECT_EQ(RoundToPcmX87(3.5), 4);
  EXPECT_EQ(RoundToPcmX87(-2.5), -2);
  EXPECT_EQ(RoundToPcmX87(2.7), 3);
  EXPECT_EQ(RoundToPcmX87(-2.7), -3);
  EXPECT_EQ(RoundToPcmX87(40000.0), 32767);
  EXPECT_EQ(RoundToPcmX87(-40000.0), -32768);
  EXPECT_EQ(RoundToPcmX87(std::nan("")), -32768);
  EXPECT_EQ(TruncateToPcm3DNow(2.5f), 2);
  EXPECT_EQ(TruncateToPcm3DNow(2.7f), 2);
  EXPECT_EQ(TruncateToPcm3DNow(-2.7f), -2);
  EXPECT_EQ(TruncateToPcm3DNow(40000.0f), 32767);
  EXPECT_EQ(TruncateToPcm3DNow(-40000.0f), -32768);
}

TEST(PcmConversion, WindowFormsRoundTruncateAndClip) {
  // Only X_0 of the slot one back is set, so output sample 16 is SynthWindow[256] x value.
  const float w = SynthWindow[256];
  struct Case {
    double sum;
    int x87;
    int single;
  };
  for (const Case& c : {Case{2.7, 3, 2}, Case{-2.7, -3, -2}, Case{40000, 32767, 32767},
                        Case{-40000, -32768, -32768}}) {
    float ring[512] = {};
    ring[32] = static_cast<float>(c.sum / w);
    uint8_t out[64];
    WindowMonoX87(ring, 0, out);
    EXPECT_EQ(static_cast<int16_t>(out[32] | (out[33] << 8)), c.x87) << c.sum;
    WindowMono3DNow(ring, 0, out);
    EXPECT_EQ(static_cast<int16_t>(out[32] | (out[33] << 8)), c.single) << c.sum;
  }
}

TEST_F(Synthesis, StereoInterleavesLeftAtEvenAndRightAtOddSamples) {
  for (int channel = 0; channel < 2; ++channel) {
    ResetSynthesis(*decoder);
    std::fill(samples.begin(), samples.end(), 0.0f);
    for (int slot = 0; slot < 12; ++slot) samples[64 * slot + 2 * 3 + channel] = 20000.0f;
    OutputStereo(*decoder, samples.data(), pcm.data(), 12);
    int silent = 0;
    int sounding = 0;
    for (size_t i = 0; i < 12 * 64; ++i) {
      if (static_cast<int>(i % 2) == channel) {
        sounding += SampleAt(pcm, i) != 0;
      } else {
        silent += SampleAt(pcm, i) != 0;
      }
    }
    EXPECT_EQ(silent, 0) << "channel " << channel;
    EXPECT_GT(sounding, 100) << "channel " << channel;
  }
}

TEST_F(Synthesis, SubbandGainsApplyExceptToTheMix) {
  for (int slot = 0; slot < 12; ++slot) {
    for (int e = 0; e < 64; ++e) samples[64 * slot + e] = 1000.0f * ((e * 7 + slot) % 5);
  }
  decoder->equalizer.SubbandEqEnabled = 1;  // gains all 0
  auto silent = [&](void (*frontEnd)(DecoderState&, const float*, uint8_t*, int32_t)) {
    ResetSynthesis(*decoder);
    frontEnd(*decoder, samples.data(), pcm.data(), 12);
    for (size_t i = 0; i < 12 * 32; ++i) {
      if (SampleAt(pcm, i) != 0) return false;
    }
    return true;
  };
  EXPECT_TRUE(silent(OutputMono));
  EXPECT_TRUE(silent(OutputStereo));
  EXPECT_TRUE(silent(OutputLeft));
  EXPECT_TRUE(silent(OutputRight));
  EXPECT_FALSE(silent(OutputMix));
  decoder->equalizer.SubbandEqEnabled = 0;
  EXPECT_FALSE(silent(OutputMono));
}

TEST_F(Synthesis, LayerThreeStereoKeepsEachChannelInItsOwnRingAndSamples) {
  std::vector<float> silent(18 * 32, 0.0f);
  std::vector<float> granule(18 * 32, 0.0f);
  granule[4] = 30000.0f;
  std::fill(pcm.begin(), pcm.end(), 0);
  OutputLayer3Stereo(*decoder, silent.data(), granule.data(), pcm.data());
  EXPECT_EQ(decoder->SynthRingPos, (0 - 18 * 32) & 511);
  int leftNonZero = 0;
  int rightNonZero = 0;
  for (size_t i = 0; i < 18 * 64; ++i) {
    (i % 2 ? rightNonZero : leftNonZero) += SampleAt(pcm, i) != 0;
  }
  EXPECT_GT(rightNonZero, 0);
  EXPECT_EQ(leftNonZero, 0);
  EXPECT_TRUE(std::all_of(std::begin(decoder->SynthRing[0]), std::end(decoder->SynthRing[0]),
                          [](float v) { return v == 0.0f; }));
}

TEST(Dct32, MatchesTheDirectSum) {
  auto decoder = std::make_unique<DecoderState>();
  ResetSynthesis(*decoder);
  std::mt19937 random(7);
  std::uniform_real_distribution<float> value(-32768.0f, 32768.0f);
  float input[64];
  for (float& v : input) v = value(random);
  float fast[32];
  float interleaved[32];
  float mixed[32];
  float again[32];
  decoder->Dct(decoder->CosineTable, input, 0, kDctContiguous, fast, again);
  EXPECT_EQ(std::memcmp(fast, again, sizeof fast), 0);
  decoder->Dct(decoder->CosineTable, input, 0, kDctRight, interleaved, again);
  decoder->Dct(decoder->CosineTable, input, 0, kDctMix, mixed, again);
  const double pi = 4 * std::atan(1.0);
  for (int k = 0; k < 32; ++k) {
    double direct = 0;
    double odd = 0;
    double mix = 0;
    for (int i = 0; i < 32; ++i) {
      const double c = std::cos(pi * (2 * i + 1) * k / 64);
      direct += input[i] * c;
      odd += input[2 * i + 1] * c;
      mix += (input[2 * i] + input[2 * i + 1]) * 0.5 * c;
    }
    EXPECT_NEAR(fast[k], direct, 0.5) << k;
    EXPECT_NEAR(interleaved[k], odd, 0.5) << k;
    EXPECT_NEAR(mixed[k], mix, 0.5) << k;
  }
}

// The standard's synthesis in double precision: matrixing into a 1024-entry V and windowing by
// D, which the test reads from the shared copy of the standard's table.
TEST(SynthesisFilterbank, AgreesWithTheStandardsReferenceWithinOneStep) {
  std::ifstream in(yumekaze::testing::SharedDir() / "iso-data" / "dewindow");
  if (!in) GTEST_SKIP() << "shared iso-data/dewindow not available";
  // Entries read "D[ 12]=-0.000045776".
  std::vector<double> d(512);
  int entries = 0;
  for (std::string token; in >> token;) {
    if (token.rfind("D[", 0) != 0) continue;
    std::string index;
    if (token == "D[") in >> index;  // "D[  0]=..." splits after the bracket
    const std::string entry = index.empty() ? token.substr(2) : index;
    const size_t close = entry.find("]=");
    std::string value = entry.substr(close + 2);
    if (value.empty()) in >> value;
    d.at(std::stoul(entry.substr(0, close))) = std::stod(value);
    ++entries;
  }
  ASSERT_EQ(entries, 512);

  auto decoder = std::make_unique<DecoderState>();
  ResetSynthesis(*decoder);
  std::mt19937 random(11);
  std::normal_distribution<float> value(0.0f, 4000.0f);
  std::vector<float> samples(kSubbandSampleCount);
  for (int slot = 0; slot < 36; ++slot) {
    for (int k = 0; k < 32; ++k) samples[64 * slot + k] = value(random) / (1 + k / 4);
  }
  std::vector<uint8_t> pcm(4608);
  OutputMono(*decoder, samples.data(), pcm.data(), 36);

  const double pi = 4 * std::atan(1.0);
  std::vector<double> v(1024, 0.0);
  int worst = 0;
  for (int slot = 0; slot < 36; ++slot) {
    std::copy_backward(v.begin(), v.end() - 64, v.end());
    for (int i = 0; i < 64; ++i) {
      double sum = 0;
      for (int k = 0; k < 32; ++k) {
        sum += std::cos((16 + i) * (2 * k + 1) * pi / 64) * samples[64 * slot + k];
      }
      v[i] = sum;
    }
    for (int j = 0; j < 32; ++j) {
      double sum = 0;
      for (int i = 0; i < 8; ++i) {
        sum += d[j + 64 * i] * v[128 * i + j] + d[j + 64 * i + 32] * v[128 * i + 96 + j];
      }
      const int expected = static_cast<int>(std::lround(std::clamp(sum, -32768.0, 32767.0)));
      worst = std::max(worst, std::abs(SampleAt(pcm, 32 * slot + j) - expected));
    }
  }
  EXPECT_LE(worst, 1);
}

}  // namespace
}  // namespace yumekaze::decoder

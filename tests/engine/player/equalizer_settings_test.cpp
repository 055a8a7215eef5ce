// Band layout of the equalizer and its mapping onto the decoder's subband and line gains.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "platform/audio/null_wave_device.h"
#include "player_test_support.h"

namespace yumekaze::engine::test {
namespace {

std::vector<int> Bands(const TMP3Player& player) {
  std::vector<int> bands;
  for (int i = 0; i < player.EqualizerCount(); ++i)
    bands.push_back(player.EqualizerBandFrequency(i));
  return bands;
}

float Factor(int gain) { return static_cast<float>(std::pow(10.0L, gain / 100.0L)); }

class EqualizerSettings : public ::testing::Test {
 protected:
  EqualizerSettings() : player_(std::make_unique<platform::TNullWaveDevice>(0.0)) {
    player_.SetAutoPlay(false);
  }
  void Settle() { player_.Window().ProcessPending(); }
  const decoder::EqualizerState& Gains() const { return player_.DecoderGains(); }

  TMP3Player player_;
};

TEST_F(EqualizerSettings, FrequencyRangeSpreadsTheBandsEvenlyInLogScale) {
  player_.SetEqualizerMode(memFreq);
  player_.SetFrequencyRange(60, 16000);
  EXPECT_EQ(Bands(player_), (std::vector<int>{60, 183, 560, 1712, 5234, 16000}));
  player_.SetEqualizerCount(10);
  EXPECT_EQ(Bands(player_), (std::vector<int>{60, 183, 560, 1712, 5234, 16000, 0, 0, 0, 0}))
      << "the count alone does not move the bands";
  player_.SetFrequencyRange(60, 16000);
  EXPECT_EQ(Bands(player_),
            (std::vector<int>{60, 112, 208, 387, 720, 1339, 2490, 4629, 8606, 16000}));
  player_.SetEqualizerCount(2);
  player_.SetFrequencyRange(60, 16000);
  EXPECT_EQ(Bands(player_), (std::vector<int>{60, 16000}));
  player_.SetEqualizerCount(1);
  player_.SetFrequencyRange(60, 16000);
  EXPECT_EQ(Bands(player_), (std::vector<int>{16000}));
}

TEST_F(EqualizerSettings, FrequencyRangeOutsideTheLimitsOrInSubbandModeIsIgnored) {
  player_.SetEqualizerMode(memFreq);
  player_.SetEqualizerCount(2);
  player_.SetFrequencyRange(100, 200);
  for (const auto& [low, high] : {std::pair{100, 50}, {0, 1000}, {60, 24001}}) {
    player_.SetFrequencyRange(low, high);
    EXPECT_EQ(Bands(player_), (std::vector<int>{100, 200})) << low << ".." << high;
  }
  player_.SetFrequencyRange(60, 24000);
  EXPECT_EQ(Bands(player_), (std::vector<int>{60, 24000}));
  player_.SetEqualizerMode(memSubBand);
  player_.SetFrequencyRange(100, 200);
  EXPECT_EQ(Bands(player_), (std::vector<int>{60, 24000}));
}

TEST_F(EqualizerSettings, LayerIIBandsMapOntoTheNearestSubbands) {
  if (Streams().layer2.empty()) GTEST_SKIP() << "twolame is not installed";
  player_.SetEqualizerMode(memFreq);
  player_.SetFrequencyRange(60, 16000);
  for (int band = 0; band < 6; ++band) player_.SetEqualizerGain(band, 10 * (band + 1));
  player_.SetEqualizerEnabled(true);
  player_.SetFileName(Streams().layer2.string());  // 44100 Hz
  Settle();
  EXPECT_EQ(Gains().SubbandEqEnabled, 1);
  EXPECT_EQ(Gains().LineEqEnabled, 0);
  // Subband 0 (345 Hz) takes band 2, 1-3 band 3, 4-12 band 4, 13-31 band 5.
  for (int s = 0; s < 32; ++s) {
    const int band = s == 0 ? 2 : s <= 3 ? 3 : s <= 12 ? 4 : 5;
    EXPECT_EQ(Gains().SubbandGains[s], Factor(10 * (band + 1))) << "subband " << s;
  }

  // Disabled, the factors stay; only the switch changes.
  player_.SetEqualizerGain(5, -100);
  player_.SetEqualizerEnabled(false);
  Settle();
  EXPECT_EQ(Gains().SubbandEqEnabled, 0);
  EXPECT_EQ(Gains().SubbandGains[31], Factor(60));
}

TEST_F(EqualizerSettings, SubbandModeUsesOneGainPerSubbandAndShowsTheirCentres) {
  if (Streams().layer2.empty()) GTEST_SKIP() << "twolame is not installed";
  player_.SetEqualizerEnabled(true);
  player_.SetFileName(Streams().layer2.string());
  Settle();
  EXPECT_EQ(Gains().SubbandEqEnabled, 1);
  EXPECT_EQ(Gains().LineEqEnabled, 0);
  for (int s = 0; s < 32; ++s) EXPECT_EQ(Gains().SubbandGains[s], 1.0f);
  EXPECT_EQ(player_.EqualizerBandFrequency(0), 345);
  EXPECT_EQ(player_.EqualizerBandFrequency(31), 21705);
  player_.SetEqualizerGain(31, -100);
  Settle();
  EXPECT_EQ(Gains().SubbandGains[31], Factor(-100));
  player_.SetEqualizerGain(31, 0);
  player_.SetEqualizerEnabled(false);
  Settle();
  EXPECT_EQ(Gains().SubbandEqEnabled, 0);
}

TEST_F(EqualizerSettings, LayerIIIBandsMapOntoSpectralLines) {
  if (Streams().layer3.empty()) GTEST_SKIP() << "lame is not installed";
  player_.SetEqualizerMode(memFreq);
  player_.SetFrequencyRange(60, 16000);
  for (int band = 0; band < 6; ++band) player_.SetEqualizerGain(band, band * 20 - 50);
  player_.SetEqualizerEnabled(true);
  player_.SetFileName(Streams().layer3.string());
  Settle();
  EXPECT_EQ(Gains().SubbandEqEnabled, 0);
  EXPECT_EQ(Gains().LineEqEnabled, 1);
  // Line 0 (19 Hz) is nearest to 60 Hz; line 575 (22031 Hz) to 16000 Hz; line 15 (594 Hz) to
  // 560 Hz.
  EXPECT_EQ(Gains().LineGains[0], Factor(-50));
  EXPECT_EQ(Gains().LineGains[15], Factor(-10));
  EXPECT_EQ(Gains().LineGains[575], Factor(50));
  player_.Close();
}

TEST_F(EqualizerSettings, NothingIsRecomputedWhileClosed) {
  player_.SetEqualizerEnabled(true);
  Settle();
  EXPECT_EQ(Gains().SubbandEqEnabled, 0);
  player_.SetEqualizerEnabled(false);
  Settle();
}

}  // namespace
}  // namespace yumekaze::engine::test

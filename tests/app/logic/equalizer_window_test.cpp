// The equalizer window on real widgets: sliders, pre-amp, switch and presets reach the player's
// equalizer and its decoder tables at once, and a new window over a new player (a restart)
// shows and applies what was kept.
#include "app/equalizer/equalizer_window.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QSlider>
#include <cmath>
#include <memory>

#include "app/settings/equalizer_store.h"
#include "app/settings/settings_store.h"
#include "engine/player/mp3_player.h"
#include "platform/audio/null_wave_device.h"
#include "test_support.h"

namespace yumekaze::app {
namespace {

// The player as the main window sets it up, with the file open and ReplayGain off, so that the
// decoder's tables hold the equalizer alone.
std::unique_ptr<engine::TMP3Player> MakePlayer(const QString& file) {
  auto player =
      std::make_unique<engine::TMP3Player>(std::make_unique<platform::TNullWaveDevice>(0.0));
  player->BeginLoading();
  player->SetAutoPlay(false);
  player->SetEqualizerEnabled(true);
  player->SetEqualizerMode(engine::memFreq);
  player->SetReplayGainMode(engine::rgmOff);
  player->Loaded();
  player->SetFileName(file.toStdString());
  player->Window().ProcessPending();
  return player;
}

float Factor(double dB) { return static_cast<float>(std::pow(10.0, dB / 20.0)); }

TEST(EqualizerWindow, ChangesReachThePlayerAtOnceAndSurviveARestart) {
  OpenSettings()->remove(QStringLiteral("Equalizer"));
  test::TAudioFiles files;
  const QString file = files.MakeTaggedMp3(QStringLiteral("tone.mp3"), 0.5, "a", "t");
  if (file.isEmpty()) GTEST_SKIP() << "sox and lame are needed";
  test::TFakePrompts prompts;
  auto player = MakePlayer(file);
  auto window = std::make_unique<TEqualizerWindow>(*player, prompts);
  ASSERT_EQ(window->BandSliders.size(), 6);
  const decoder::EqualizerState& tables = player->DecoderGains();
  constexpr int kLowLine = 0, kHighLine = 575;  // nearest the 60 Hz and the 16 kHz band

  // After every step: the player holds what the window shows, and so does a restarted player.
  const auto check = [&](const char* step) {
    SCOPED_TRACE(step);
    EXPECT_EQ(player->EqualizerEnabled(), window->EnabledBox->isChecked());
    EXPECT_EQ(player->Equalizer().Preamp, window->PreampSlider->value());
    for (int band = 0; band < 6; ++band)
      EXPECT_EQ(player->EqualizerGain(band), window->BandSliders[band]->value()) << band;
    auto restarted = MakePlayer(file);
    RestoreEqualizer(*restarted);
    EXPECT_EQ(restarted->EqualizerEnabled(), player->EqualizerEnabled());
    EXPECT_EQ(restarted->Equalizer().Preamp, player->Equalizer().Preamp);
    for (int band = 0; band < 6; ++band)
      EXPECT_EQ(restarted->EqualizerGain(band), player->EqualizerGain(band)) << band;
  };

  window->BandSliders[5]->setValue(30);  // +6 dB at 16 kHz
  EXPECT_EQ(window->PresetBox->currentIndex(), 0) << "no preset has these gains";
  EXPECT_FLOAT_EQ(tables.LineGains[kHighLine], Factor(6));
  EXPECT_FLOAT_EQ(tables.LineGains[kLowLine], 1.0f);
  check("slider");

  const int bass = window->PresetBox->findData(QStringLiteral("bass"));
  ASSERT_GT(bass, 0);
  window->PresetBox->setCurrentIndex(bass);
  emit window->PresetBox->activated(bass);
  EXPECT_EQ(player->EqualizerGain(0), 30);
  EXPECT_EQ(player->EqualizerGain(5), 0);
  EXPECT_FLOAT_EQ(tables.LineGains[kLowLine], Factor(6));
  EXPECT_EQ(window->PresetBox->currentIndex(), bass);
  EXPECT_FALSE(window->DeleteButton->isEnabled()) << "built-in presets stay";
  check("preset");

  window->PreampSlider->setValue(-15);  // -3 dB on every band
  EXPECT_FLOAT_EQ(tables.LineGains[kLowLine], Factor(3));
  EXPECT_FLOAT_EQ(tables.LineGains[kHighLine], Factor(-3));
  check("pre-amp");

  window->BandSliders[2]->setValue(60);
  prompts.textAnswer = QStringLiteral("rock");
  window->SaveAsButton->click();
  EXPECT_EQ(prompts.warnings.size(), 1u) << "a built-in name is refused";
  prompts.textAnswer = QStringLiteral("mine");
  window->SaveAsButton->click();
  EXPECT_EQ(window->PresetBox->currentData().toString(), "mine");
  EXPECT_TRUE(window->DeleteButton->isEnabled());
  window->EnabledBox->setChecked(false);
  EXPECT_EQ(tables.LineEqEnabled, 0);
  check("saved and off");

  // A restart: the new window shows what was kept, its own preset included, and applies it.
  window.reset();
  player = MakePlayer(file);
  RestoreEqualizer(*player);
  window = std::make_unique<TEqualizerWindow>(*player, prompts);
  EXPECT_FALSE(window->EnabledBox->isChecked());
  EXPECT_EQ(window->PresetBox->currentData().toString(), "mine");
  EXPECT_EQ(window->BandSliders[2]->value(), 60);
  window->EnabledBox->setChecked(true);
  EXPECT_FLOAT_EQ(player->DecoderGains().LineGains[kLowLine], Factor(3));
  check("restarted");

  window->DeleteButton->click();
  EXPECT_EQ(window->PresetBox->findData(QStringLiteral("mine")), -1);
  EXPECT_EQ(TPresetList().Find(QStringLiteral("mine")), nullptr);
  OpenSettings()->remove(QStringLiteral("Equalizer"));
}

// In subband mode the window shows 32 bands, and a six-band preset reaches the subbands its
// bands lie in.
TEST(EqualizerWindow, FollowsTheBandCountAndMode) {
  test::TFakePrompts prompts;
  engine::TMP3Player player(std::make_unique<platform::TNullWaveDevice>(0.0));
  player.SetEqualizerMode(engine::memFreq);
  player.SetEqualizerCount(10);
  player.SetFrequencyRange(60, 16000);
  TEqualizerWindow window(player, prompts);
  EXPECT_EQ(window.BandSliders.size(), 10);
  player.SetEqualizerMode(engine::memSubBand);
  window.FollowPlayer();
  ASSERT_EQ(window.BandSliders.size(), 32);
  const int treble = window.PresetBox->findData(QStringLiteral("treble"));
  emit window.PresetBox->activated(treble);
  EXPECT_EQ(player.EqualizerGain(0), 0);
  EXPECT_EQ(player.EqualizerGain(31), 30) << "the top subband takes its nearest band, 16 kHz";
  OpenSettings()->remove(QStringLiteral("Equalizer"));
}

}  // namespace
}  // namespace yumekaze::app

// The ReplayGain menu: off, track and album scale the played samples as the file's tags say,
// prevent clipping and the window's gains apply to the open file at once, and every choice is
// kept for the next start.
#include <gtest/gtest.h>

#include <QActionGroup>
#include <QCoreApplication>
#include <QDoubleSpinBox>
#include <QFile>
#include <QMenu>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <cmath>
#include <cstring>
#include <vector>

#include "app/equalizer/equalizer_menu.h"
#include "app/equalizer/equalizer_window.h"
#include "app/settings/replay_gain_store.h"
#include "app/settings/settings_store.h"
#include "engine/player/mp3_player.h"
#include "platform/audio/wav_file_wave_device.h"
#include "test_support.h"

namespace yumekaze::app {
namespace {

constexpr int kTimeoutMs = 30000;

// The item whose English caption is source, in the language the menu is shown in.
QAction* Item(QMenu* menu, const char* source) {
  const QString caption = QCoreApplication::translate("EqualizerMenu", source);
  for (QAction* action : menu->actions()) {
    if (action->text() == caption) return action;
  }
  ADD_FAILURE() << "no item " << source;
  return new QAction(menu);
}

// The RMS of the samples in a WAV file's data chunk.
double Rms(const QString& wav) {
  QFile file(wav);
  if (!file.open(QIODevice::ReadOnly)) return -1;
  const QByteArray bytes = file.readAll();
  const qsizetype data = bytes.indexOf("data");
  if (data < 0) return -1;
  const qsizetype count = (bytes.size() - data - 8) / 2;
  double sum = 0;
  for (qsizetype i = 0; i < count; ++i) {
    int16_t sample;
    std::memcpy(&sample, bytes.constData() + data + 8 + 2 * i, 2);
    sum += static_cast<double>(sample) * sample;
  }
  return count > 0 ? std::sqrt(sum / count) : -1;
}

// Plays the file to its end into the WAV file.
bool PlayToEnd(engine::TMP3Player& player, const QString& file) {
  player.SetFileName(file.toStdString());
  player.Play();
  return QTest::qWaitFor(
      [&] {
        player.Window().ProcessPending();
        return player.Status() == engine::kStatusStopped;
      },
      kTimeoutMs);
}

TEST(ReplayGainMenu, ModesScaleThePlayedSamplesAsTheTagsSayAndAreKept) {
  OpenSettings()->remove(QStringLiteral("ReplayGain"));
  test::TAudioFiles files;
  const QString tagged = files.MakeTaggedMp3(QStringLiteral("tagged.mp3"), 1.0, "a", "t");
  const QString plain = files.MakeTone(QStringLiteral("plain.mp2"), 1.0);
  if (tagged.isEmpty() || plain.isEmpty()) GTEST_SKIP() << "sox, lame and twolame are needed";
  if (QProcess::execute(QStringLiteral("mid3v2"),
                        {QStringLiteral("--TXXX"), QStringLiteral("REPLAYGAIN_TRACK_GAIN:-6.00 dB"),
                         QStringLiteral("--TXXX"),
                         QStringLiteral("REPLAYGAIN_ALBUM_GAIN:-10.00 dB"), tagged}) != 0) {
    GTEST_SKIP() << "mid3v2 is needed";
  }
  const QString wav = files.Folder() + QStringLiteral("out.wav");
  test::TFakePrompts prompts;
  engine::TMP3Player player(std::make_unique<platform::TWavFileWaveDevice>(wav.toStdString()));
  player.SetAutoPlay(false);
  TEqualizerWindow window(player, prompts);
  QMenu menu;
  QAction* end = menu.addSeparator();
  QMenu* gain = AddEqualizerMenu(menu, end, player, window);
  EXPECT_TRUE(Item(gain, "&Track")->isChecked()) << "the player's default";
  QSignalSpy changes(&window, &TEqualizerWindow::ReplayGainChanged);

  const auto played = [&](const char* caption, const QString& file) {
    Item(gain, caption)->trigger();
    EXPECT_TRUE(PlayToEnd(player, file)) << caption;
    return Rms(wav);
  };
  const double off = played("&Off", tagged);
  ASSERT_GT(off, 1000);
  EXPECT_NEAR(played("&Track", tagged) / off, std::pow(10.0, -6 / 20.0), 0.01);
  EXPECT_NEAR(played("&Album", tagged) / off, std::pow(10.0, -10 / 20.0), 0.01);

  // The gain for files without ReplayGain, set in the window, plays on the open file at once.
  const double plainOff = [&] {
    Item(gain, "&Off")->trigger();
    EXPECT_TRUE(PlayToEnd(player, plain));
    return Rms(wav);
  }();
  Item(gain, "&Track")->trigger();
  window.DefaultGain->setValue(-8);
  player.Window().ProcessPending();
  EXPECT_FLOAT_EQ(player.ReplayGainFactor(), static_cast<float>(std::pow(10.0, -8 / 20.0)));
  EXPECT_EQ(player.ReplayGainApplied().Source, engine::TMP3AppliedGain::agDefault);
  EXPECT_FLOAT_EQ(player.DecoderGains().SubbandGains[0], player.ReplayGainFactor());
  player.Play();
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        player.Window().ProcessPending();
        return player.Status() == engine::kStatusStopped;
      },
      kTimeoutMs));
  EXPECT_NEAR(Rms(wav) / plainOff, std::pow(10.0, -8 / 20.0), 0.01);

  // A raise past the stored peak is held back while clipping is prevented.
  ASSERT_EQ(QProcess::execute(
                QStringLiteral("mid3v2"),
                {QStringLiteral("--TXXX"), QStringLiteral("REPLAYGAIN_TRACK_GAIN:+6.00 dB"),
                 QStringLiteral("--TXXX"), QStringLiteral("REPLAYGAIN_TRACK_PEAK:0.5"), tagged}),
            0);
  player.SetFileName(tagged.toStdString());
  window.ReplayGainPreamp->setValue(3);
  player.Window().ProcessPending();
  EXPECT_NEAR(player.ReplayGainApplied().Decibels, -20 * std::log10(0.5), 1e-9);
  EXPECT_TRUE(player.ReplayGainApplied().Limited);
  Item(gain, "&Prevent clipping")->trigger();
  player.Window().ProcessPending();
  EXPECT_NEAR(player.ReplayGainApplied().Decibels, 9, 1e-9);
  EXPECT_FLOAT_EQ(player.DecoderGains().SubbandGains[0], static_cast<float>(std::pow(10.0, 0.45)));
  EXPECT_EQ(changes.count(), 8) << "one notice per choice";

  // The next start: a fresh player and menu take up what was chosen.
  engine::TMP3Player next(nullptr);
  RestoreReplayGain(next);
  EXPECT_EQ(next.ReplayGainMode(), engine::rgmTrack);
  EXPECT_FALSE(next.ReplayGainPreventClipping());
  EXPECT_EQ(next.ReplayGainPreamp(), 3);
  EXPECT_EQ(next.ReplayGainDefault(), -8);
  QMenu nextMenu;
  TEqualizerWindow nextWindow(next, prompts);
  QMenu* nextGain = AddEqualizerMenu(nextMenu, nextMenu.addSeparator(), next, nextWindow);
  EXPECT_TRUE(Item(nextGain, "&Track")->isChecked());
  EXPECT_FALSE(Item(nextGain, "&Prevent clipping")->isChecked());
  EXPECT_EQ(nextWindow.DefaultGain->value(), -8);
  OpenSettings()->remove(QStringLiteral("ReplayGain"));
}

}  // namespace
}  // namespace yumekaze::app

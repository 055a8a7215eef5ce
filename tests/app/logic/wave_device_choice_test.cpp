#include "app/settings/wave_device_choice.h"

#include <gtest/gtest.h>

#include <QMenu>
#include <QSettings>

#include "app/settings/settings_store.h"
#include "engine/player/mp3_player.h"
#include "platform/audio/null_wave_device.h"
#include "platform/audio/wav_file_wave_device.h"
#include "test_support.h"

namespace yumekaze::app {
namespace {

template <typename Device>
bool Is(const std::unique_ptr<engine::TWaveDevice>& device) {
  return dynamic_cast<Device*>(device.get()) != nullptr;
}

class WaveDeviceChoice : public ::testing::Test {
 protected:
  void SetUp() override {
    qunsetenv("YUMEKAZE_DEVICE");
    OpenSettings()->remove(QStringLiteral("Sound"));
  }
  void TearDown() override { SetUp(); }
};

TEST_F(WaveDeviceChoice, CommandLineThenEnvironmentThenMenu) {
  OpenSettings()->setValue(QStringLiteral("Sound/Device"), QStringLiteral("null"));
  QStringList arguments;
  EXPECT_TRUE(Is<platform::TNullWaveDevice>(ChooseWaveDevice(arguments).device));

  qputenv("YUMEKAZE_DEVICE", "wav:/tmp/from-environment.wav");
  TWaveDeviceChoice choice = ChooseWaveDevice(arguments);
  EXPECT_EQ(choice.name, QStringLiteral("wav:/tmp/from-environment.wav"));
  EXPECT_TRUE(Is<platform::TWavFileWaveDevice>(choice.device));

  for (QStringList given : {QStringList{"a.mp3", "--device", "null", "b.mp3"},
                            QStringList{"a.mp3", "--device=null", "b.mp3"}}) {
    choice = ChooseWaveDevice(given);
    EXPECT_EQ(choice.name, QStringLiteral("null"));
    EXPECT_TRUE(Is<platform::TNullWaveDevice>(choice.device));
    EXPECT_EQ(given, (QStringList{"a.mp3", "b.mp3"}));  // the rest are files to play
    EXPECT_TRUE(choice.problem.isEmpty());
  }
}

TEST_F(WaveDeviceChoice, AnUnknownNameIsReportedAndSomethingStillPlays) {
  QStringList arguments{"--device", "speakers"};
  const TWaveDeviceChoice choice = ChooseWaveDevice(arguments);
  EXPECT_TRUE(choice.problem.contains(QStringLiteral("unknown sound device: speakers")))
      << choice.problem.toStdString();
  EXPECT_NE(choice.device, nullptr);
}

TEST_F(WaveDeviceChoice, MenuStoresTheChoiceAndPutsTheDeviceInThePlayer) {
  engine::TMP3Player player(nullptr);
  QMenu menu;
  QAction* last = menu.addAction(QStringLiteral("last"));
  test::TFakePrompts prompts;
  TWaveDeviceSelection selection(player, QStringLiteral("auto"));
  AddWaveDeviceMenu(menu, last, selection, prompts);
  QMenu* devices = menu.actions().front()->menu();
  ASSERT_NE(devices, nullptr);
  ASSERT_EQ(devices->actions().size(), 4);
  EXPECT_TRUE(devices->actions()[0]->isChecked());
  devices->actions()[3]->trigger();  // null
  EXPECT_TRUE(devices->actions()[3]->isChecked());
  EXPECT_NE(dynamic_cast<platform::TNullWaveDevice*>(player.WaveDevice()), nullptr);
  EXPECT_EQ(selection.Name(), QStringLiteral("null"));
  EXPECT_EQ(OpenSettings()->value(QStringLiteral("Sound/Device")).toString(),
            QStringLiteral("null"));
  EXPECT_TRUE(prompts.warnings.empty());
}

}  // namespace
}  // namespace yumekaze::app

// A device that never plays a byte must not take the player down with it: every command returns,
// the player can be stopped, started again and destroyed.
#include <gtest/gtest.h>

#include "../../robustness/watchdog.h"
#include "../sound/stalled_wave_device.h"
#include "player_test_support.h"

namespace yumekaze::engine::test {
namespace {

using engine::testing::StalledWaveDevice;

TEST(StalledDevice, CommandsAndDestructionReturnWhileTheDeviceNeverPlays) {
  if (Streams().layer2.empty()) GTEST_SKIP() << "twolame is not installed";
  robustness::Watchdog watchdog(std::chrono::seconds(60), "commands on a stalled device");
  auto device = std::make_unique<StalledWaveDevice>();
  StalledWaveDevice& stalled = *device;
  {
    RecordingPlayer recorder(std::move(device));
    TMP3Player& player = recorder.player();
    player.SetFileName(Streams().layer2.string());
    for (int round = 0; round < 2; ++round) {
      recorder.ClearEvents();
      player.Play();
      ASSERT_TRUE(stalled.WaitForStall(std::chrono::seconds(30)));
      player.Pause();
      EXPECT_EQ(player.Status(), kStatusPaused);
      player.Resume();
      ASSERT_TRUE(stalled.WaitForStall(std::chrono::seconds(30)));
      player.Stop();
      EXPECT_EQ(player.Status(), kStatusStopped);
      ASSERT_TRUE(recorder.PumpUntil([&] { return recorder.EndPlayCount(meprStopped) == 1; }));
      EXPECT_EQ(recorder.EndPlayCount(meprEndOfStream), 0);
    }
    // Destroyed while paused in a stalled write.
    player.Play();
    ASSERT_TRUE(stalled.WaitForStall(std::chrono::seconds(30)));
    player.Pause();
  }
}

}  // namespace
}  // namespace yumekaze::engine::test

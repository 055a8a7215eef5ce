// A device that never plays a byte, never opens, or never returns from a write must not take the
// player down with it: every command returns, the player can be stopped, started again and
// destroyed, and what the device finishes later is dropped.
#include <gtest/gtest.h>

#include "../../robustness/watchdog.h"
#include "../sound/stalled_wave_device.h"
#include "platform/audio/null_wave_device.h"
#include "player_test_support.h"

namespace yumekaze::engine::test {
namespace {

using engine::testing::StalledWaveDevice;
using engine::testing::StallGate;

bool Gone(const StallGate::Counts& counts) { return counts.destroyed; }
bool Stalled(const StallGate::Counts& counts) { return counts.stalled; }

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

// Play returns while the device is still opening, and so does every command after it. The opens
// nobody wants any more are closed once they are done, without a byte played or an event fired.
TEST(StalledDevice, CommandsReturnWhileTheDeviceIsStillOpening) {
  if (Streams().layer2.empty()) GTEST_SKIP() << "twolame is not installed";
  robustness::Watchdog watchdog(std::chrono::seconds(60), "commands on a device still opening");
  const auto gate = std::make_shared<StallGate>(StallGate::Holds::kOpens);
  {
    RecordingPlayer recorder(std::make_unique<StalledWaveDevice>(gate));
    TMP3Player& player = recorder.player();
    player.SetFileName(Streams().layer2.string());
    player.Play();
    EXPECT_EQ(player.Status(), kStatusPlaying);
    ASSERT_TRUE(gate->WaitFor(Stalled, std::chrono::seconds(30)));
    EXPECT_FALSE(player.DeviceOpen());
    player.Pause();
    EXPECT_EQ(player.Status(), kStatusPaused);
    player.Resume();
    EXPECT_TRUE(player.Seek(1000));
    player.Stop();
    player.Play();  // waits behind the first open
    // Replaced while opening: the next device plays the file to its end.
    player.SetWaveDevice(std::make_unique<platform::TNullWaveDevice>(0.0));
    ASSERT_TRUE(recorder.PlayToEnd());
    EXPECT_EQ(recorder.EndPlayCount(meprEndOfStream), 1);

    recorder.ClearEvents();
    gate->Open();
    ASSERT_TRUE(gate->WaitFor(Gone, std::chrono::seconds(30)));
    player.Window().ProcessPending();
    EXPECT_TRUE(recorder.events().empty()) << recorder.events().front();
  }
  const StallGate::Counts counts = gate->Now();
  EXPECT_EQ(counts.opens, 2);
  EXPECT_EQ(counts.closes, 2);
  EXPECT_EQ(counts.writes, 0);
}

TEST(StalledDevice, DestructionReturnsWhileTheDeviceIsStillOpening) {
  if (Streams().layer2.empty()) GTEST_SKIP() << "twolame is not installed";
  robustness::Watchdog watchdog(std::chrono::seconds(60), "destruction while opening");
  const auto gate = std::make_shared<StallGate>(StallGate::Holds::kOpens);
  {
    TMP3Player player(std::make_unique<StalledWaveDevice>(gate));
    player.SetFileName(Streams().layer2.string());
    ASSERT_TRUE(gate->WaitFor(Stalled, std::chrono::seconds(30)));
  }
  gate->Open();
  ASSERT_TRUE(gate->WaitFor(Gone, std::chrono::seconds(30)));
  EXPECT_EQ(gate->Now().closes, 1);
}

// A write that ignores every interrupt (a hung file system) holds the device's own thread only:
// the device is closed once the write returns.
TEST(StalledDevice, StopAndDestructionReturnWhileAWriteNeverReturns) {
  if (Streams().layer2.empty()) GTEST_SKIP() << "twolame is not installed";
  robustness::Watchdog watchdog(std::chrono::seconds(60), "commands on a hung write");
  const auto gate = std::make_shared<StallGate>(StallGate::Holds::kWrites);
  {
    RecordingPlayer recorder(std::make_unique<StalledWaveDevice>(gate));
    TMP3Player& player = recorder.player();
    player.SetFileName(Streams().layer2.string());
    player.Play();
    ASSERT_TRUE(gate->WaitFor(Stalled, std::chrono::seconds(30)));
    player.Stop();
    EXPECT_EQ(player.Status(), kStatusStopped);
    ASSERT_TRUE(recorder.PumpUntil([&] { return recorder.EndPlayCount(meprStopped) == 1; }));
    EXPECT_EQ(gate->Now().closes, 0) << "the hung write ended by itself";
    player.Play();  // the device opens again once it is closed
  }
  gate->Open();
  ASSERT_TRUE(gate->WaitFor(Gone, std::chrono::seconds(30)));
  const StallGate::Counts counts = gate->Now();
  EXPECT_EQ(counts.opens, 2);
  EXPECT_EQ(counts.closes, 2);
}

}  // namespace
}  // namespace yumekaze::engine::test

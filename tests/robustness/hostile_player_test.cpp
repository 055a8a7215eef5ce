// Every hostile file through the player, as a front end opens it (by file name), on the null
// device consuming at once: valid audio plays to its end, anything else is a clear error that
// leaves the player closed; nothing hangs, and the player, its events and its device agree.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "engine/player/mp3_player.h"
#include "engine/player/player_test_support.h"
#include "engine/stream/stream.h"
#include "hostile_files.h"
#include "observed_device.h"
#include "watchdog.h"

namespace yumekaze::robustness {
namespace {

using engine::TMP3Player;
using engine::test::RecordingPlayer;

// Handles the player's messages until none comes for a while; false when they never stop.
bool Settle(TMP3Player& player) {
  for (int round = 0; round < 1000; ++round) {
    if (player.Window().ProcessPending() == 0 && !player.Window().WaitForMessages(50)) return true;
  }
  return false;
}

class HostilePlayer : public ::testing::TestWithParam<std::string> {};

TEST_P(HostilePlayer, PlaysTheValidAudioOrRefusesClearly) {
  const HostileFile* file = HostileFileNamed(GetParam());
  if (file == nullptr) GTEST_SKIP() << "twolame or lame is missing: no source streams";
  const Watchdog watchdog(std::chrono::seconds(180), "the player on " + file->name);

  auto observer = std::make_shared<DeviceObserver>();
  RecordingPlayer recorder(std::make_unique<ObservedDevice>(0.0, observer));
  TMP3Player& player = recorder.player();
  bool opened = false;
  std::string error;
  try {
    player.SetFileName(file->path.string());
    opened = true;
  } catch (const std::exception& thrown) {
    error = thrown.what();
  }

  if (!opened) {
    EXPECT_NE(file->expect, Expect::kPlays) << "refused: " << error;
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(player.Opened());
    EXPECT_EQ(player.Status(), engine::kStatusStopped);
    EXPECT_EQ(player.Capabilities(), engine::kCapAlways);
    EXPECT_EQ(observer->State().opens, 0);
    return;
  }
  EXPECT_NE(file->expect, Expect::kRefused) << "opened a file with nothing to play";
  EXPECT_EQ(player.FileName(), file->path.string());
  EXPECT_TRUE(player.SampleRate() > 0 && (player.Channels() == 1 || player.Channels() == 2));
  // What the player reads lies inside the file.
  const int64_t size = static_cast<int64_t>(std::filesystem::file_size(file->path));
  EXPECT_GE(player.AudioStart(), 0);
  EXPECT_GE(player.AudioLength(), 0);
  EXPECT_LE(player.AudioStart() + player.AudioLength(), size);

  ASSERT_TRUE(recorder.PlayToEnd()) << "playback hung";
  // The end of play has fired; whatever came with it is handled too.
  ASSERT_TRUE(Settle(player)) << "messages keep coming after the end of play";
  EXPECT_EQ(recorder.EndPlayCount(engine::meprEndOfStream), 1);
  EXPECT_EQ(recorder.EndPlayCount(engine::meprError), 0);
  for (const std::string& event : recorder.events()) {
    EXPECT_NE(event.rfind("error:", 0), 0u) << event;
  }
  EXPECT_EQ(player.Status(), engine::kStatusStopped);
  EXPECT_TRUE(player.Opened());
  const DeviceState device = observer->State();
  EXPECT_FALSE(device.open);
  // A change of sampling rate plays on with the device opened again in the new format.
  const int formats = file->name == "rate_changes_mid_stream" ? 3 : 1;
  EXPECT_EQ(device.opens, formats);
  EXPECT_EQ(device.closes, formats);
  EXPECT_EQ(device.misuse, "");
  if (file->expect == Expect::kPlays) {
    EXPECT_GT(device.bytes_written, 0) << "played nothing";
  }

  player.Close();
  EXPECT_FALSE(player.Opened());
}

INSTANTIATE_TEST_SUITE_P(Files, HostilePlayer, ::testing::ValuesIn(HostileFileNames()),
                         [](const auto& info) { return info.param; });

}  // namespace
}  // namespace yumekaze::robustness

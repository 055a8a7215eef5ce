// The player's state machine: every transition, the events each one fires and their order,
// duplicates folded, the reasons OnEndPlay reports, and the setter rules of its properties.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <thread>

#include "../../robustness/watchdog.h"
#include "engine/sound/sound_out.h"
#include "engine/stream/memory_stream.h"
#include "engine/tags/mp3_info.h"
#include "platform/audio/null_wave_device.h"
#include "platform/audio/wav_file_wave_device.h"
#include "player_test_support.h"

namespace yumekaze::engine::test {
namespace {

using Events = std::vector<std::string>;

class PlayerState : public ::testing::Test {
 protected:
  void SetUp() override {
    if (Streams().layer2.empty()) GTEST_SKIP() << "twolame is not installed";
  }
  // Handles every waiting message once.
  void Settle(RecordingPlayer& recorder) { recorder.player().Window().ProcessPending(); }

  TempDir dir_;
};

TEST_F(PlayerState, EveryTransitionFiresItsEventsAfterTheCommandReturns) {
  RecordingPlayer recorder(dir_ / "out.wav", 1);
  TMP3Player& player = recorder.player();
  EXPECT_EQ(player.Capabilities(), kCapAlways);

  // closed -> open, stopped
  player.SetFileName(Streams().layer2.string());
  EXPECT_TRUE(recorder.events().empty()) << "events fire only from the message window";
  Settle(recorder);
  EXPECT_EQ(recorder.events(), (Events{"status:0"}));
  EXPECT_EQ(player.Capabilities(), kCapAlways | kCapOpened | kCapCanPlay | kCapStopped);

  // open, stopped -> playing
  recorder.ClearEvents();
  player.Play();
  Settle(recorder);
  EXPECT_EQ(recorder.events(), (Events{"status:1", "position"}));
  EXPECT_EQ(player.Capabilities(),
            kCapAlways | kCapOpened | kCapCanStop | kCapCanPause | kCapCanSeek);

  // playing -> paused -> playing
  recorder.ClearEvents();
  player.Pause();
  Settle(recorder);
  EXPECT_EQ(recorder.events(), (Events{"status:2"}));
  EXPECT_EQ(player.Capabilities(),
            kCapAlways | kCapOpened | kCapCanStop | kCapCanResume | kCapCanSeek);
  recorder.ClearEvents();
  player.Resume();
  Settle(recorder);
  EXPECT_EQ(recorder.events(), (Events{"status:1"}));

  // playing -> open, stopped
  recorder.ClearEvents();
  player.Stop();
  Settle(recorder);
  EXPECT_EQ(recorder.events(), (Events{"status:0", "endplay:1", "position"}));
  EXPECT_TRUE(player.Opened());

  // Commands the state does not allow do nothing.
  recorder.ClearEvents();
  player.Stop();
  player.Pause();
  player.Resume();
  Settle(recorder);
  EXPECT_TRUE(recorder.events().empty());

  // open -> closed
  player.Close();
  Settle(recorder);
  EXPECT_EQ(recorder.events(), (Events{"status:0"}));
  EXPECT_FALSE(player.Opened());
  EXPECT_TRUE(player.FileName().empty());
  EXPECT_EQ(player.Capabilities(), kCapAlways);
}

TEST_F(PlayerState, StopWhilePausedAndCloseWhilePlayingReportStopped) {
  RecordingPlayer recorder(dir_ / "out.wav", 1);
  TMP3Player& player = recorder.player();
  player.SetFileName(Streams().layer2.string());
  player.Play();
  player.Pause();
  player.Stop();
  Settle(recorder);
  EXPECT_EQ(recorder.EndPlayCount(meprStopped), 1);

  recorder.ClearEvents();
  player.Play();
  player.Close();
  Settle(recorder);
  // Play's status and position messages were still waiting: Close adds only the end of play.
  EXPECT_EQ(recorder.events(), (Events{"status:0", "position", "endplay:1"}));
}

TEST_F(PlayerState, ChangesWhileTheirMessageWaitsFireOnce) {
  RecordingPlayer recorder(dir_ / "out.wav", 1);
  TMP3Player& player = recorder.player();
  player.SetFileName(Streams().layer2.string());
  player.Play();
  player.Pause();
  player.Resume();
  player.Pause();
  Settle(recorder);
  EXPECT_EQ(recorder.events(), (Events{"status:2", "position"}));
}

TEST_F(PlayerState, OpeningAnotherFileWhilePlayingStopsTheFirst) {
  RecordingPlayer recorder(dir_ / "out.wav", 1);
  TMP3Player& player = recorder.player();
  player.SetFileName(Streams().layer2.string());
  player.Play();
  Settle(recorder);
  recorder.ClearEvents();
  player.SetFileName(Streams().layer2_48.string());
  Settle(recorder);
  EXPECT_EQ(recorder.EndPlayCount(meprStopped), 1);
  EXPECT_EQ(player.Status(), kStatusStopped);
  EXPECT_EQ(player.SampleRate(), 48000);
}

TEST_F(PlayerState, EndOfStreamStopsAtTheAudioStartAndTheNextPlayStartsOver) {
  const Bytes expected = ReferencePcm(ReadFileBytes(Streams().layer2_short));
  RecordingPlayer recorder(dir_ / "out.wav", 0);
  TMP3Player& player = recorder.player();
  player.SetFileName(Streams().layer2_short.string());
  ASSERT_TRUE(recorder.PlayToEnd());
  EXPECT_EQ(recorder.events().back(), "position");
  EXPECT_EQ(recorder.EndPlayCount(meprEndOfStream), 1);
  EXPECT_TRUE(player.Opened());
  EXPECT_EQ(player.Status(), kStatusStopped);
  EXPECT_TRUE(WavSamples(dir_ / "out.wav") == expected);

  // The reason is back to "stopped" after it was reported.
  recorder.ClearEvents();
  player.Play();
  player.Stop();
  Settle(recorder);
  EXPECT_EQ(recorder.EndPlayCount(meprStopped), 1);

  recorder.ClearEvents();
  ASSERT_TRUE(recorder.PlayToEnd());
  EXPECT_TRUE(WavSamples(dir_ / "out.wav") == expected) << "the second playback did not start over";
}

// A short file fits in the output's buffers: the worker reaches the end while the device is paused.
// It has queued the whole file once the device holds all of its buffers; an end of stream that did
// not wait for the device would be posted then.
TEST_F(PlayerState, EndOfFileWhilePausedPlaysOutAfterResume) {
  const Bytes expected = ReferencePcm(ReadFileBytes(Streams().layer2_short));
  const int buffers = static_cast<int>((expected.size() + 88199) / 88200);
  auto device = std::make_unique<FailingWaveDevice>(
      1000, std::make_unique<platform::TWavFileWaveDevice>((dir_ / "out.wav").string(), 1));
  FailingWaveDevice& counted = *device;
  RecordingPlayer recorder(std::move(device));
  TMP3Player& player = recorder.player();
  player.SetFileName(Streams().layer2_short.string());
  player.Play();
  player.Pause();
  ASSERT_TRUE(recorder.PumpUntil([&] { return counted.Writes() == buffers; }));
  player.Window().ProcessPending();
  EXPECT_EQ(recorder.EndPlayCount(meprEndOfStream), 0) << "ended while paused";
  EXPECT_EQ(player.Status(), kStatusPaused);
  player.Resume();
  ASSERT_TRUE(recorder.PumpUntil([&] { return recorder.EndPlayCount(meprEndOfStream) == 1; }));
  EXPECT_TRUE(WavSamples(dir_ / "out.wav") == expected);
}

TEST_F(PlayerState, StopDuringTheDrainEndsAsStoppedAndNothingElse) {
  const int buffers = static_cast<int>(
      (ReferencePcm(ReadFileBytes(Streams().layer2_short)).size() + 88199) / 88200);
  auto device = std::make_unique<FailingWaveDevice>(1000);
  FailingWaveDevice& counted = *device;
  RecordingPlayer recorder(std::move(device));
  TMP3Player& player = recorder.player();
  player.SetFileName(Streams().layer2_short.string());
  player.Play();
  player.Pause();
  // The worker now waits for the paused device to play out.
  ASSERT_TRUE(recorder.PumpUntil([&] { return counted.Writes() == buffers; }));
  player.Stop();
  ASSERT_TRUE(recorder.PumpUntil([&] { return recorder.EndPlayCount(meprStopped) == 1; }));
  player.Window().ProcessPending();
  EXPECT_EQ(recorder.EndPlayCount(meprEndOfStream), 0);
  EXPECT_EQ(player.Status(), kStatusStopped);
  // And the player is still usable.
  recorder.ClearEvents();
  player.Play();
  ASSERT_TRUE(recorder.PumpUntil([&] { return recorder.EndPlayCount(meprEndOfStream) == 1; }));
}

TEST_F(PlayerState, DeviceErrorIsShownAndEndsPlaybackWithError) {
  RecordingPlayer recorder(std::make_unique<FailingWaveDevice>(2));
  TMP3Player& player = recorder.player();
  player.SetFileName(Streams().layer2.string());
  player.Play();
  ASSERT_TRUE(recorder.PumpUntil([&] { return recorder.EndPlayCount(meprError) == 1; }));
  ASSERT_FALSE(recorder.events().empty());
  const auto error = std::find_if(recorder.events().begin(), recorder.events().end(),
                                  [](const std::string& e) { return e.starts_with("error:"); });
  ASSERT_NE(error, recorder.events().end());
  EXPECT_EQ(*error, "error:the test device failed(TSoundOut.WaveWrite)");
  EXPECT_EQ(player.Status(), kStatusStopped);
  EXPECT_TRUE(player.Opened());

  // After an error, a later Stop reports "stopped" again.
  recorder.ClearEvents();
  player.SetWaveDevice(std::make_unique<platform::TNullWaveDevice>(0.0));
  player.Play();
  player.Stop();
  ASSERT_TRUE(recorder.PumpUntil([&] { return recorder.EndPlayCount(meprStopped) == 1; }));
  EXPECT_EQ(recorder.EndPlayCount(meprError), 0);
}

// Play returns playing before the device is tried; one that cannot be opened is shown, with its
// name, and then ends the playback with an error.
TEST_F(PlayerState, DeviceThatCannotBeOpenedIsShownThenEndsWithError) {
  const std::string missing = (dir_ / "no such folder" / "out.wav").string();
  RecordingPlayer recorder(std::make_unique<platform::TWavFileWaveDevice>(missing, 0.0));
  TMP3Player& player = recorder.player();
  std::string device_name;
  player.SetOnShowException([&](TMP3Player&, const std::exception& error) {
    const auto* open = dynamic_cast<const TMPDeviceOpenError*>(&error);
    device_name = open != nullptr ? open->DeviceName() : "not a TMPDeviceOpenError";
    recorder.ClearEvents();  // what follows the error
  });
  player.SetFileName(Streams().layer2.string());
  player.Play();
  EXPECT_EQ(player.Status(), kStatusPlaying);
  ASSERT_TRUE(recorder.PumpUntil([&] { return !device_name.empty(); }));
  EXPECT_EQ(device_name, missing);
  ASSERT_TRUE(recorder.PumpUntil([&] { return recorder.EndPlayCount(meprError) == 1; }));
  EXPECT_EQ(std::count(recorder.events().begin(), recorder.events().end(), "status:0"), 1);
  EXPECT_EQ(recorder.events().size(), 3u) << "status, position and the end, nothing else";
  EXPECT_EQ(player.Status(), kStatusStopped);
}

// The window is pumped as soon as the test's own thread posts to it, as a front end with a nested
// event loop might: the end of the playback that destruction stops must still not be reported.
TEST_F(PlayerState, DestroyWhilePlayingEndsEverythingWithoutAnEvent) {
  for (int round = 0; round < 4; ++round) {
    int ended = 0;
    {
      TMP3Player player(std::make_unique<platform::TNullWaveDevice>(1.0 + round));
      player.SetOnEndPlay([&ended](TMP3Player&, TMP3EndPlayReason) { ++ended; });
      bool playing_seen = false;
      player.SetOnChangePosition([&](TMP3Player&) { playing_seen = true; });
      player.SetFileName(Streams().layer2.string());
      ASSERT_EQ(player.Status(), kStatusPlaying);
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
      while (!playing_seen && std::chrono::steady_clock::now() < deadline) {
        player.Window().WaitForMessages(100);
        player.Window().ProcessPending();
      }
      ASSERT_TRUE(playing_seen);
      if (round % 2) player.Pause();
      const auto test_thread = std::this_thread::get_id();
      TMPMessageWindow& window = player.Window();
      window.SetWakeHandler([&window, test_thread] {
        if (std::this_thread::get_id() == test_thread) window.ProcessPending();
      });
      window.ProcessPending();
      // The check below is meaningful only while pumping reports an end of a plain Stop.
      if (round == 0) {
        player.Stop();
        ASSERT_EQ(ended, 1) << "the pumping front end did not see a plain Stop";
        ended = 0;
        player.Play();
      }
    }
    EXPECT_EQ(ended, 0) << "round " << round;
  }
}

// The worker waits for its error to be shown when the player goes: destruction must neither hang
// nor show it, also when the window is pumped meanwhile (here from the device's Reset, which
// destruction calls, as a front end's nested event loop might).
TEST_F(PlayerState, DestroyWhileAnErrorWaitsToBeShown) {
  robustness::Watchdog watchdog(std::chrono::seconds(60), "destroying while an error waits");
  bool shown = false;
  {
    auto device = std::make_unique<FailingWaveDevice>(0);
    FailingWaveDevice& failing = *device;
    TMP3Player player(std::move(device));
    player.SetOnShowException([&shown](TMP3Player&, const std::exception&) { shown = true; });
    player.SetFileName(Streams().layer2.string());
    // The worker soon waits for its error to be shown; nobody pumps the window yet. (The window
    // holds other messages already, so waiting for a message would not wait for this one.)
    while (!player.Window().IsPending(MPM_ERROR)) std::this_thread::yield();
    failing.OnReset = [&player] { player.Window().ProcessPending(); };
  }
  EXPECT_FALSE(shown);
}

TEST_F(PlayerState, FileNameWritesOpenAndCloseAndAutoPlayStartsPlayback) {
  RecordingPlayer recorder(dir_ / "out.wav", 1);
  TMP3Player& player = recorder.player();
  player.SetFileName(Streams().layer2.string());
  EXPECT_EQ(player.Status(), kStatusStopped);
  player.SetAutoPlay(false);  // writing it plays an open, stopped file
  EXPECT_EQ(player.Status(), kStatusPlaying);
  player.Pause();
  player.SetAutoPlay(false);  // ... but not a paused one
  EXPECT_EQ(player.Status(), kStatusPaused);
  player.Resume();
  Settle(recorder);
  recorder.ClearEvents();
  player.SetFileName("");
  Settle(recorder);
  EXPECT_FALSE(player.Opened());
  EXPECT_EQ(recorder.EndPlayCount(meprStopped), 1);

  player.SetAutoOpen(false);
  player.SetFileName(Streams().layer2.string());
  EXPECT_FALSE(player.Opened());
  player.SetAutoOpen(true);
  EXPECT_TRUE(player.Opened());
}

TEST_F(PlayerState, FailedOpensLeaveTheRightState) {
  RecordingPlayer recorder(dir_ / "out.wav", 1);
  TMP3Player& player = recorder.player();
  player.SetFileName(Streams().layer2.string());
  player.Play();
  // A file that cannot be opened leaves the open one playing.
  EXPECT_THROW(player.SetFileName((dir_ / "missing.mp2").string()), TMPStreamError);
  EXPECT_EQ(player.Status(), kStatusPlaying);
  EXPECT_EQ(player.FileName(), (dir_ / "missing.mp2").string());
  // A file that is not MPEG audio closes the player.
  WriteFileBytes(dir_ / "text.mp3", Bytes(5000, 'x'));
  EXPECT_THROW(player.SetFileName((dir_ / "text.mp3").string()), TMPFormatError);
  EXPECT_FALSE(player.Opened());
  EXPECT_TRUE(player.FileName().empty());
  try {
    player.SetFileName((dir_ / "text.mp3").string());
  } catch (const TMPFormatError& error) {
    EXPECT_STREQ(error.what(), "unknown MPEG Audio format.");
  }
  // A device that cannot play: Play fails and the player stays stopped.
  RecordingPlayer broken(std::make_unique<FailingWaveDevice>(0));
  broken.player().SetFileName(Streams().layer2.string());
  EXPECT_EQ(broken.player().Status(), kStatusStopped);
}

TEST_F(PlayerState, NonSeekableStreamClosesAtItsEnd) {
  RecordingPlayer recorder(std::make_unique<platform::TNullWaveDevice>(0.0));
  TMP3Player& player = recorder.player();
  auto* stream = new TMPMemoryStream(ReadFileBytes(Streams().layer2_short));
  player.OpenStream(stream, TMP3Player::kStreamOwned);
  EXPECT_EQ(player.AudioLength(), kUnknownAudioLength);
  ASSERT_TRUE(recorder.PlayToEnd());
  EXPECT_FALSE(player.Opened());
  EXPECT_EQ(recorder.EndPlayCount(meprEndOfStream), 1);
}

TEST_F(PlayerState, PropertySetterRules) {
  TMP3Player player(std::make_unique<platform::TNullWaveDevice>(0.0));
  EXPECT_EQ(player.Volume(), 100);
  player.SetVolume(101);
  player.SetVolume(-1);
  EXPECT_EQ(player.Volume(), 100);
  player.SetVolume(0);
  EXPECT_EQ(player.Volume(), 0);
  player.SetChangePosStep(99);
  EXPECT_EQ(player.ChangePosStep(), 400);
  player.SetChangePosStep(100);
  EXPECT_EQ(player.ChangePosStep(), 100);
  player.SetVolBalance(-101);
  player.SetVolBalance(101);
  EXPECT_EQ(player.VolBalance(), 0);
  player.SetVolBalance(-100);
  EXPECT_EQ(player.VolBalance(), -100);
  player.SetEqualizerCount(0);
  player.SetEqualizerCount(33);
  EXPECT_EQ(player.EqualizerCount(), 6);
  player.SetEqualizerCount(32);
  EXPECT_EQ(player.EqualizerCount(), 32);
  EXPECT_EQ(player.OutputDevice(), -1);
  EXPECT_EQ(player.UsingCpuCapabilities(), kAllCpuCapabilities);

  // A stored volume of 0 takes the device's own volume.
  TMP3Player loaded(std::make_unique<platform::TNullWaveDevice>(0.0));
  loaded.BeginLoading();
  loaded.SetVolume(0);
  loaded.Loaded();
  EXPECT_EQ(loaded.Volume(), 100);
}

TEST_F(PlayerState, StoredFileOpensOnceWhenLoaded) {
  RecordingPlayer recorder(dir_ / "out.wav", 1);
  TMP3Player& player = recorder.player();
  player.BeginLoading();
  player.SetFileName(Streams().layer2.string());
  EXPECT_FALSE(player.Opened());
  player.Loaded();
  EXPECT_TRUE(player.Opened());
}

TEST_F(PlayerState, ArtistAndTitleComeFromTheTagsOrTheFileName) {
  TMP3Player player(std::make_unique<platform::TNullWaveDevice>(0.0));
  player.SetAutoPlay(false);
  player.SetFileName(Streams().layer2.string());
  EXPECT_EQ(player.Artist(), "");
  EXPECT_EQ(player.SongTitle(), "l2.mp2");

  Bytes tagged = ReadFileBytes(Streams().layer2_short);
  Bytes tag(128, 0);
  std::memcpy(tag.data(), "TAG", 3);
  std::memcpy(tag.data() + 3, "Sora", 4);
  std::memcpy(tag.data() + 33, "Kaze", 4);
  tagged.insert(tagged.end(), tag.begin(), tag.end());
  WriteFileBytes(dir_ / "tagged.mp2", tagged);
  player.SetFileName((dir_ / "tagged.mp2").string());
  EXPECT_EQ(player.Artist(), "Kaze");
  EXPECT_EQ(player.SongTitle(), "Sora");
  EXPECT_EQ(player.AudioLength(), static_cast<int64_t>(tagged.size()));
}

}  // namespace
}  // namespace yumekaze::engine::test

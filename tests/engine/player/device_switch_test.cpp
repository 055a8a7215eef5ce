// A new sound device while a file plays: the playback goes on there from where it was, paused
// stays paused, and the PCM is the file's from that point on.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine/stream/memory_stream.h"
#include "platform/audio/wav_file_wave_device.h"
#include "player_test_support.h"

namespace yumekaze::engine::test {
namespace {

std::unique_ptr<TWaveDevice> WavDevice(const std::filesystem::path& path, double speed) {
  return std::make_unique<platform::TWavFileWaveDevice>(path.string(), speed);
}

TEST(PlayerDeviceSwitch, PlaybackGoesOnOnTheNewDeviceFromWhereItWas) {
  if (Streams().layer2.empty()) GTEST_SKIP() << "twolame is not installed";
  const Bytes reference = ReferencePcm(ReadFileBytes(Streams().layer2));  // 4 s, 44100 Hz stereo
  const auto offset = [](int64_t ms) { return static_cast<size_t>(ms * 44100 / 1000 * 4); };
  TempDir dir;
  RecordingPlayer recorder(dir / "first.wav", 2);
  TMP3Player& player = recorder.player();
  player.SetFileName(Streams().layer2.string());
  player.Play();
  ASSERT_TRUE(recorder.PumpUntil([&] { return player.PlayedMilliseconds() >= 1000; }));

  player.Pause();
  const int64_t paused = player.PlayedMilliseconds();
  player.SetWaveDevice(WavDevice(dir / "second.wav", 2));
  EXPECT_EQ(player.Status(), kStatusPaused);
  EXPECT_EQ(player.PlayedMilliseconds(), paused);
  player.Resume();
  ASSERT_TRUE(recorder.PumpUntil([&] { return player.PlayedMilliseconds() >= paused + 1000; }));

  const int64_t playing = player.PlayedMilliseconds();
  player.SetWaveDevice(WavDevice(dir / "third.wav", 0));
  EXPECT_EQ(player.Status(), kStatusPlaying);
  ASSERT_TRUE(recorder.PumpUntil([&] { return recorder.EndPlayCount(meprEndOfStream) == 1; }));
  EXPECT_EQ(recorder.EndPlayCount(meprStopped), 0) << "a switch reported the playback ended";

  const Bytes second = WavSamples(dir / "second.wav");
  ASSERT_LE(offset(paused) + second.size(), reference.size());
  EXPECT_TRUE(std::equal(second.begin(), second.end(), reference.begin() + offset(paused)));
  // The last device played the file to its end, from the position at the switch (a buffer may
  // have completed between reading it here and the switch).
  const Bytes third = WavSamples(dir / "third.wav");
  ASSERT_LE(third.size(), reference.size());
  const size_t from = reference.size() - third.size();
  EXPECT_GE(from, offset(playing));
  EXPECT_LE(from, offset(playing + 500));
  EXPECT_TRUE(std::equal(third.begin(), third.end(), reference.begin() + from));
}

// A stream that cannot seek (a station, a pipe) goes on on the new device from where it was read.
TEST(PlayerDeviceSwitch, AStreamThatCannotSeekGoesOnOnTheNewDevice) {
  if (Streams().layer2.empty()) GTEST_SKIP() << "twolame is not installed";
  const Bytes bytes = ReadFileBytes(Streams().layer2);
  const Bytes reference = ReferencePcm(bytes);
  TempDir dir;
  RecordingPlayer recorder(dir / "first.wav", 2);
  TMP3Player& player = recorder.player();
  player.OpenStream(new TMPMemoryStream(bytes), TMP3Player::kStreamOwned);
  player.Play();
  ASSERT_TRUE(recorder.PumpUntil([&] { return player.PlayedMilliseconds() >= 1000; }));
  player.SetWaveDevice(WavDevice(dir / "second.wav", 0));
  ASSERT_TRUE(recorder.PumpUntil([&] { return recorder.EndPlayCount(meprEndOfStream) == 1; }));
  // What the second device played is the end of the stream, in one piece.
  const Bytes second = WavSamples(dir / "second.wav");
  ASSERT_GT(second.size(), 0u);
  ASSERT_LE(second.size(), reference.size());
  EXPECT_TRUE(std::equal(second.begin(), second.end(), reference.end() - second.size()));
}

}  // namespace
}  // namespace yumekaze::engine::test

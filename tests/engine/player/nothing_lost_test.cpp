// The PCM that reaches the sound device through the player is exactly the PCM the decoder makes
// frame by frame: nothing lost, nothing repeated, also around pauses.
#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <thread>

#include "player_test_support.h"

namespace yumekaze::engine::test {
namespace {

namespace fs = std::filesystem;

// Plays `stream` to its end through a WAV-file device and compares the samples with the
// reference decode. A paced device fills all four buffers, so that frames are taken in parts.
void ExpectPlaysExactly(const fs::path& stream, double speed = 0) {
  const Bytes expected = ReferencePcm(ReadFileBytes(stream));
  ASSERT_FALSE(expected.empty());
  TempDir dir;
  RecordingPlayer recorder(dir / "out.wav", speed);
  recorder.player().SetFileName(stream.string());
  ASSERT_TRUE(recorder.player().Opened());
  ASSERT_TRUE(recorder.PlayToEnd()) << "playback hung";
  EXPECT_EQ(recorder.EndPlayCount(meprEndOfStream), 1);
  EXPECT_EQ(recorder.player().Status(), kStatusStopped);
  const Bytes played = WavSamples(dir / "out.wav");
  EXPECT_EQ(played.size(), expected.size());
  EXPECT_TRUE(played == expected) << "the played PCM differs from the decoded PCM";
}

TEST(PlayerNothingLost, LayerII) {
  if (Streams().layer2.empty()) GTEST_SKIP() << "twolame is not installed";
  ExpectPlaysExactly(Streams().layer2, 20);
}

TEST(PlayerNothingLost, LayerIIFreeFormat) {
  if (Streams().layer2_free.empty()) GTEST_SKIP() << "twolame is not installed";
  ExpectPlaysExactly(Streams().layer2_free);
}

// White noise encoded without a lowpass fills the top subband, which the player decodes too.
TEST(PlayerNothingLost, TopSubband) {
  TempDir dir;
  const fs::path wav = dir / "noise.wav";
  const fs::path mp3 = dir / "noise.mp3";
  if (!RunCommand("sox -n -r 44100 -c 2 '" + wav.string() + "' synth 1 whitenoise vol 0.5") ||
      !RunCommand("lame --quiet --noreplaygain --lowpass -1 -b 320 '" + wav.string() + "' '" +
                  mp3.string() + "'")) {
    GTEST_SKIP() << "sox or lame is not installed";
  }
  ExpectPlaysExactly(mp3);
}

// Every conformance stream the decoder decodes: Layer I, II and III, free format, CRCs, mono.
TEST(PlayerNothingLost, ConformanceStreams) {
  const fs::path dir = fs::path(YUMEKAZE_SHARED_DIR) / "conformance";
  if (!fs::exists(dir)) GTEST_SKIP() << "no conformance streams in " << dir;
  int played = 0;
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (entry.path().extension() != ".bit") continue;
    SCOPED_TRACE(entry.path().filename().string());
    if (ReferencePcm(ReadFileBytes(entry.path())).empty()) continue;  // not decodable yet
    ExpectPlaysExactly(entry.path());
    ++played;
  }
  EXPECT_GT(played, 0);
}

TEST(PlayerNothingLost, LayerIIIWithXingFrame) {
  if (Streams().layer3.empty()) GTEST_SKIP() << "lame is not installed";
  if (ReferencePcm(ReadFileBytes(Streams().layer3)).empty()) {
    GTEST_SKIP() << "the decoder does not decode Layer III yet";
  }
  ExpectPlaysExactly(Streams().layer3);
}

// Pauses and resumes at random points of the audio while the device plays at ten times real time:
// each pause comes once the recording has grown by a random amount, each resume once the pause
// has been reported.
void ExpectSurvivesPauses(const fs::path& stream) {
  const Bytes expected = ReferencePcm(ReadFileBytes(stream));
  TempDir dir;
  const fs::path out = dir / "out.wav";
  RecordingPlayer recorder(out, 10);
  TMP3Player& player = recorder.player();
  player.SetFileName(stream.string());
  player.Play();
  std::mt19937 random(20261207);
  std::uniform_int_distribution<uintmax_t> step(0, expected.size() / 40);
  const auto recorded = [&] {
    std::error_code error;
    const uintmax_t size = fs::file_size(out, error);
    return error ? 0 : size;
  };
  const auto ended = [&] { return recorder.EndPlayCount(meprEndOfStream) > 0; };
  int pauses = 0;
  while (!ended() && pauses < 40) {
    const uintmax_t target = recorded() + step(random);
    ASSERT_TRUE(recorder.PumpUntil([&] { return ended() || recorded() >= target; }));
    if (player.Status() != kStatusPlaying) continue;
    recorder.ClearEvents();
    player.Pause();
    ++pauses;
    // The end may already be on its way: a pause after the device has drained ends the track.
    ASSERT_TRUE(recorder.PumpUntil([&] {
      return ended() ||
             std::count(recorder.events().begin(), recorder.events().end(), "status:2") > 0;
    }));
    player.Resume();
  }
  ASSERT_TRUE(recorder.PumpUntil([&] { return recorder.EndPlayCount(meprEndOfStream) == 1; }));
  EXPECT_GT(pauses, 5);
  EXPECT_TRUE(WavSamples(out) == expected);
}

TEST(PlayerNothingLost, LayerIIPausedAndResumedManyTimes) {
  if (Streams().layer2.empty()) GTEST_SKIP() << "twolame is not installed";
  ExpectSurvivesPauses(Streams().layer2);
}

TEST(PlayerNothingLost, LayerIIIPausedAndResumedManyTimes) {
  if (Streams().layer3.empty()) GTEST_SKIP() << "lame is not installed";
  if (ReferencePcm(ReadFileBytes(Streams().layer3)).empty()) {
    GTEST_SKIP() << "the decoder does not decode Layer III yet";
  }
  ExpectSurvivesPauses(Streams().layer3);
}

}  // namespace
}  // namespace yumekaze::engine::test

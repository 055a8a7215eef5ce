// Players and track probes at work at the same time: each decodes with a decoder of its own, so
// what one plays is exactly what it plays alone, whatever the others decode meanwhile.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "engine/player/track_probe.h"
#include "player_test_support.h"

namespace yumekaze::engine::test {
namespace {

namespace fs = std::filesystem;

// What a probe gives of a file, to compare probes with each other.
struct ProbeSummary {
  bool ok = false;
  int rate = 0;
  int channels = 0;
  int layer = 0;
  std::optional<int64_t> samples;
  std::optional<double> track_gain;
  bool operator==(const ProbeSummary&) const = default;
};

ProbeSummary Summarise(const fs::path& file) {
  const TMPProbeOutcome probe = ProbeTrack(file.string());
  if (!probe.Track) return {};
  const TMPFrameSource& source = probe.Track->File->Source;
  return {true,
          source.OutputInfo().SampleRate,
          source.OutputInfo().Channels,
          source.LayerNumber(),
          probe.Track->Samples,
          probe.Track->Fields.replay_gain.track_gain};
}

// Ten files of other rates, layers, channel counts and stored gains than the played ones.
std::vector<fs::path> MakeProbedFiles(const TempDir& dir) {
  std::vector<fs::path> files;
  struct Lame {
    int rate;
    int channels;
    const char* volume;
  };
  for (const Lame& lame : {Lame{8000, 1, "0.2"}, Lame{11025, 2, "0.5"}, Lame{16000, 1, "0.9"},
                           Lame{22050, 2, "0.3"}, Lame{32000, 1, "0.7"}, Lame{48000, 2, "0.1"}}) {
    const std::string name = "l3_" + std::to_string(lame.rate);
    const fs::path wav = dir / (name + ".wav");
    const fs::path mp3 = dir / (name + ".mp3");
    if (!RunCommand("sox -n -r " + std::to_string(lame.rate) + " -c " +
                    std::to_string(lame.channels) + " '" + wav.string() +
                    "' synth 2 sine 300-3000 vol " + lame.volume) ||
        !RunCommand("lame --quiet --replaygain-accurate -b 32 '" + wav.string() + "' '" +
                    mp3.string() + "'")) {
      return {};
    }
    files.push_back(mp3);
  }
  for (const auto& [rate, channels] : {std::pair{16000, 1}, {24000, 2}, {32000, 2}, {48000, 1}}) {
    const std::string name = "l2_" + std::to_string(rate);
    WriteTestWav(dir / (name + ".wav"), rate, channels, 2.0);
    const fs::path mp2 = dir / (name + ".mp2");
    if (!RunCommand("twolame -b 64 '" + (dir / (name + ".wav")).string() + "' '" + mp2.string() +
                    "'")) {
      return {};
    }
    files.push_back(mp2);
  }
  return files;
}

TEST(ConcurrentDecoding, TwoPlayersAndProbesOnAnotherThreadDoNotDisturbEachOther) {
  TempDir dir;
  const std::vector<fs::path> probed = MakeProbedFiles(dir);
  WriteTestWav(dir / "first.wav", 44100, 2, 8.0);
  WriteTestWav(dir / "second.wav", 32000, 1, 8.0);
  const fs::path first = dir / "first.mp3";    // Layer III without a header frame or gain
  const fs::path second = dir / "second.mp3";  // Layer III with a gain in its LAME tag
  if (probed.empty() ||
      !RunCommand("lame --quiet -t -b 160 '" + (dir / "first.wav").string() + "' '" +
                  first.string() + "'") ||
      !RunCommand("lame --quiet --replaygain-accurate -b 96 '" + (dir / "second.wav").string() +
                  "' '" + second.string() + "'")) {
    GTEST_SKIP() << "sox, lame or twolame is missing";
  }

  // Each probe alone, and the second file played alone: what they must give side by side.
  std::vector<ProbeSummary> alone;
  for (const fs::path& file : probed) {
    alone.push_back(Summarise(file));
    ASSERT_TRUE(alone.back().ok) << file;
  }
  EXPECT_NE(alone[0].track_gain, alone[5].track_gain) << "the probed files store other gains";
  const Bytes first_expected = ReferencePcm(ReadFileBytes(first));
  ASSERT_FALSE(first_expected.empty());
  Bytes second_expected;
  {
    RecordingPlayer solo(dir / "solo.wav", 0);
    solo.player().SetFileName(second.string());
    ASSERT_NE(solo.player().ReplayGainFactor(), 1.0f) << "LAME stored no gain";
    ASSERT_TRUE(solo.PlayToEnd());
    second_expected = WavSamples(dir / "solo.wav");
  }
  ASSERT_FALSE(second_expected.empty());

  // Probes go round the ten files until both players are done, at least once.
  std::atomic<bool> players_done{false};
  std::vector<std::string> probe_mismatches;
  int rounds = 0;
  std::thread prober([&] {
    while (rounds == 0 || !players_done) {
      for (size_t i = 0; i < probed.size(); ++i) {
        if (!(Summarise(probed[i]) == alone[i])) probe_mismatches.push_back(probed[i].string());
      }
      ++rounds;
    }
  });

  RecordingPlayer one(dir / "one.wav", 0);
  RecordingPlayer two(dir / "two.wav", 0);
  one.player().SetFileName(first.string());
  two.player().SetFileName(second.string());
  one.player().Play();
  two.player().Play();
  const auto ended = [](const RecordingPlayer& recorder) {
    return recorder.EndPlayCount(meprEndOfStream) + recorder.EndPlayCount(meprError) > 0;
  };
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(5);
  while (!(ended(one) && ended(two)) && std::chrono::steady_clock::now() < deadline) {
    for (TMP3Player* player : {&one.player(), &two.player()}) {
      player->Window().WaitForMessages(5);
      player->Window().ProcessPending();
    }
  }
  players_done = true;
  prober.join();

  ASSERT_EQ(one.EndPlayCount(meprEndOfStream), 1) << "first player hung or failed";
  ASSERT_EQ(two.EndPlayCount(meprEndOfStream), 1) << "second player hung or failed";
  EXPECT_TRUE(WavSamples(dir / "one.wav") == first_expected) << "first player's PCM differs";
  EXPECT_TRUE(WavSamples(dir / "two.wav") == second_expected) << "second player's PCM differs";
  EXPECT_GE(rounds, 1);
  EXPECT_TRUE(probe_mismatches.empty())
      << probe_mismatches.size() << " probes differ, first " << probe_mismatches.front();
}

}  // namespace
}  // namespace yumekaze::engine::test

// ReplayGain from the LAME tag: off plays the decode as it is, track scales it by the stored gain,
// a pre-amp never pushes the stored peak into clipping, and a file without a gain plays at unity.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "player_test_support.h"

namespace yumekaze::engine::test {
namespace {

namespace fs = std::filesystem;

std::vector<int16_t> Samples(const Bytes& pcm) {
  std::vector<int16_t> samples(pcm.size() / 2);
  std::memcpy(samples.data(), pcm.data(), samples.size() * 2);
  return samples;
}

double Rms(const std::vector<int16_t>& samples) {
  double sum = 0;
  for (const int16_t s : samples) sum += static_cast<double>(s) * s;
  return std::sqrt(sum / std::max<size_t>(samples.size(), 1));
}

class ReplayGain : public ::testing::Test {
 protected:
  // Plays the file through a WAV device in `mode` with `preamp`; returns the samples and the
  // factor the player applied.
  std::vector<int16_t> Play(const fs::path& file, TMP3ReplayGainMode mode, double preamp,
                            float& factor) {
    RecordingPlayer recorder(dir_ / "out.wav", 0);
    TMP3Player& player = recorder.player();
    player.SetReplayGainMode(mode);
    player.SetReplayGainPreamp(preamp);
    player.SetFileName(file.string());
    factor = player.ReplayGainFactor();
    EXPECT_TRUE(recorder.PlayToEnd());
    return Samples(WavSamples(dir_ / "out.wav"));
  }
  TempDir dir_;
};

TEST_F(ReplayGain, TrackGainScalesThePeakLimitsAndFilesWithoutGainPlayAtUnity) {
  WriteTestWav(dir_ / "loud.wav", 44100, 2, 3.0);
  const fs::path loud = dir_ / "loud.mp3";
  if (!RunCommand("lame --quiet --replaygain-accurate -b 192 '" + (dir_ / "loud.wav").string() +
                  "' '" + loud.string() + "'")) {
    GTEST_SKIP() << "lame is missing";
  }
  float off_factor = 0, track_factor = 0, boosted_factor = 0;
  const auto off = Play(loud, rgmOff, 0, off_factor);
  const auto track = Play(loud, rgmTrack, 0, track_factor);
  EXPECT_EQ(off_factor, 1.0f);
  ASSERT_NE(track_factor, 1.0f) << "LAME stored no gain";
  ASSERT_EQ(off.size(), track.size());
  EXPECT_NEAR(Rms(track) / Rms(off), track_factor, 0.01 * track_factor);

  // +20 dB would clip badly; the stored peak holds the gain back to full scale.
  const auto boosted = Play(loud, rgmTrack, 20, boosted_factor);
  EXPECT_LT(boosted_factor, std::pow(10.0f, 20 / 20.0f) * track_factor);
  const auto clipped = std::count_if(boosted.begin(), boosted.end(),
                                     [](int16_t s) { return s >= 32767 || s <= -32767; });
  EXPECT_LE(clipped, 2) << "of " << boosted.size();
  EXPECT_GT(Rms(boosted), Rms(off)) << "the pre-amp did nothing";

  if (Streams().layer2.empty()) return;
  float plain_factor = 0;
  const auto plain = Play(Streams().layer2, rgmTrack, 6, plain_factor);
  EXPECT_EQ(plain_factor, 1.0f);
  EXPECT_TRUE(plain == Samples(ReferencePcm(ReadFileBytes(Streams().layer2))));
}

// Gains written by another program into ID3v2 TXXX frames; album mode takes the album's.
TEST_F(ReplayGain, GainsFromTxxxFramesWrittenByMutagen) {
  if (Streams().layer2.empty()) GTEST_SKIP() << "twolame is not installed";
  const fs::path tagged = dir_ / "tagged.mp2";
  fs::copy_file(Streams().layer2, tagged);
  if (!RunCommand("/usr/bin/python3 -c \"import sys; from mutagen.id3 import ID3, TXXX; t = ID3(); "
                  "t.add(TXXX(encoding=3, desc='REPLAYGAIN_TRACK_GAIN', text=['-6.00 dB'])); "
                  "t.add(TXXX(encoding=3, desc='REPLAYGAIN_ALBUM_GAIN', text=['-12.00 dB'])); "
                  "t.save(sys.argv[1])\" '" +
                  tagged.string() + "'")) {
    GTEST_SKIP() << "mutagen is missing";
  }
  float track = 0, album = 0;
  const auto track_samples = Play(tagged, rgmTrack, 0, track);
  const auto album_samples = Play(tagged, rgmAlbum, 0, album);
  EXPECT_NEAR(track, std::pow(10.0, -6.0 / 20), 1e-4);
  EXPECT_NEAR(album, std::pow(10.0, -12.0 / 20), 1e-4);
  const auto plain = Samples(ReferencePcm(ReadFileBytes(Streams().layer2)));
  ASSERT_EQ(track_samples.size(), plain.size());
  EXPECT_NEAR(Rms(track_samples) / Rms(plain), track, 0.01 * track);
  EXPECT_NEAR(Rms(album_samples) / Rms(plain), album, 0.01 * album);
}

// Damaged stored gains ("nan dB", "inf", gains no encoder writes) are ignored, not played.
TEST_F(ReplayGain, DamagedStoredGainsPlayAtUnity) {
  WriteTestWav(dir_ / "tone.wav", 44100, 2, 1.0);
  const fs::path file = dir_ / "tone.mp3";
  if (!RunCommand("lame --quiet --noreplaygain -b 128 '" + (dir_ / "tone.wav").string() + "' '" +
                  file.string() + "'") ||
      !RunCommand("command -v mid3v2 >/dev/null")) {
    GTEST_SKIP() << "lame and mid3v2 are needed";
  }
  for (const char* stored : {"nan dB", "inf", "-inf dB", "1e308 dB", "+60 dB", "-52 dB", "-6 dB"}) {
    ASSERT_TRUE(RunCommand("mid3v2 --TXXX 'REPLAYGAIN_TRACK_GAIN:" + std::string(stored) + "' '" +
                           file.string() + "'"));
    RecordingPlayer recorder(dir_ / "out.wav", 0);
    recorder.player().SetReplayGainMode(rgmTrack);
    recorder.player().SetFileName(file.string());
    const float expected = std::string(stored) == "-6 dB" ? std::pow(10.0f, -6.0f / 20) : 1.0f;
    EXPECT_FLOAT_EQ(recorder.player().ReplayGainFactor(), expected) << stored;
  }
}

// A valid positive gain without a stored peak, on a file that reaches full scale, plays without
// clipping more samples than the file itself does.
TEST_F(ReplayGain, PositiveGainWithoutAPeakDoesNotClip) {
  WriteTestWav(dir_ / "tone.wav", 44100, 2, 1.0);
  const fs::path file = dir_ / "tone.mp3";
  if (!RunCommand("lame --quiet --noreplaygain --scale 3 -b 128 '" + (dir_ / "tone.wav").string() +
                  "' '" + file.string() + "'") ||
      !RunCommand("mid3v2 --TXXX 'REPLAYGAIN_TRACK_GAIN:+12 dB' '" + file.string() + "'")) {
    GTEST_SKIP() << "lame and mid3v2 are needed";
  }
  const auto clipped = [](const std::vector<int16_t>& samples) {
    return std::count_if(samples.begin(), samples.end(),
                         [](int16_t s) { return s >= 32767 || s <= -32767; });
  };
  float off_factor = 0, track_factor = 0;
  const auto off = Play(file, rgmOff, 0, off_factor);
  const auto track = Play(file, rgmTrack, 6, track_factor);
  ASSERT_GT(clipped(off), 0) << "the file should reach full scale";
  EXPECT_LE(clipped(track), clipped(off));
  // Letting the peak through does not make up a peak the file does not store.
  RecordingPlayer recorder(dir_ / "out.wav", 0);
  recorder.player().SetReplayGainPreventClipping(false);
  recorder.player().SetFileName(file.string());
  EXPECT_EQ(recorder.player().ReplayGainFactor(), 1.0f);
  EXPECT_TRUE(recorder.player().ReplayGainApplied().Limited);
}

}  // namespace
}  // namespace yumekaze::engine::test

// The equalizer of decode and play as a user hears it: tones before and after, per mode.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "decoder/test_support.h"

namespace yumekaze::cli {
namespace {

namespace fs = std::filesystem;
using yumekaze::testing::ReadFileBytes;

int Shell(const std::string& command) {
  const int raw = std::system((command + " >/dev/null 2>&1").c_str());
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

// RMS of each channel of 16-bit stereo PCM after its WAV header.
std::pair<double, double> ChannelLevels(const fs::path& wav) {
  const auto bytes = ReadFileBytes(wav);
  double sums[2] = {};
  size_t frames = 0;
  for (size_t at = 44; at + 4 <= bytes.size(); at += 4, ++frames) {
    for (int channel = 0; channel < 2; ++channel) {
      const auto sample =
          static_cast<int16_t>(bytes[at + 2 * channel] | bytes[at + 2 * channel + 1] << 8);
      sums[channel] += static_cast<double>(sample) * sample;
    }
  }
  return {std::sqrt(sums[0] / frames), std::sqrt(sums[1] / frames)};
}

double Decibels(double level, double reference) { return 20 * std::log10(level / reference); }

TEST(DecodeEqualizer, BandsRaiseTheirTonesInBothModesAndFlatChangesNothing) {
  const fs::path dir = fs::temp_directory_path() / ("yumekaze-eq-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const std::string tones = (dir / "tones.wav").string();
  // A 100 Hz tone on the left, a 5 kHz tone on the right.
  if (Shell("sox -n -r 44100 -c 2 " + tones + " synth 3 sine 100 sine 5000 gain -12") != 0 ||
      Shell("lame --quiet -b 192 " + tones + " " + (dir / "tones.mp3").string()) != 0 ||
      Shell("twolame --quiet -b 192 " + tones + " " + (dir / "tones.mp2").string()) != 0) {
    fs::remove_all(dir);
    GTEST_SKIP() << "sox, lame and twolame are needed to make the tones";
  }
  const std::string cli = YUMEKAZE_CLI;
  auto decode = [&](const std::string& file, const std::string& options) {
    const fs::path out = dir / "out.wav";
    EXPECT_EQ(
        Shell(cli + " decode " + options + " " + (dir / file).string() + " -o " + out.string()), 0);
    return std::make_pair(ReadFileBytes(out), ChannelLevels(out));
  };
  // Layer III in both modes; Layers I and II only in subband mode (frequency mode's bands are
  // Layer III's spectral lines).
  for (const auto& [file, mode] :
       {std::pair{"tones.mp3", "freq"}, {"tones.mp3", "subband"}, {"tones.mp2", "subband"}}) {
    SCOPED_TRACE(std::string(file) + " " + mode);
    const auto plain = decode(file, "");
    EXPECT_EQ(decode(file, std::string("--eq flat --eq-mode ") + mode).first, plain.first);
    const auto raised = decode(file, std::string("--eq 12,12,0,0,0,0 --eq-mode ") + mode).second;
    EXPECT_GE(Decibels(raised.first, plain.second.first), 6.0);
    EXPECT_LE(std::fabs(Decibels(raised.second, plain.second.second)), 1.5);
  }

  // The player applies the same tables as decode.
  const fs::path played = dir / "played.wav";
  ASSERT_EQ(Shell(cli + " play --replay-gain off --eq rock --device wav:" + played.string() + " " +
                  (dir / "tones.mp3").string() + " </dev/null"),
            0);
  EXPECT_EQ(ReadFileBytes(played), decode("tones.mp3", "--eq rock").first);

  EXPECT_EQ(Shell(cli + " decode --eq list"), 0);
  EXPECT_EQ(Shell(cli + " decode --eq 0,13 " + tones + " -o -"), 2);
  EXPECT_EQ(Shell(cli + " play --eq-mode lines " + tones), 2);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace yumekaze::cli

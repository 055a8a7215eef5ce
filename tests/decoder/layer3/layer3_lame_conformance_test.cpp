// Streams encoded by lame at MPEG-2.5, MPEG-2 and MPEG-1 rates decode to full accuracy against
// mpg123's decoding of the same file. Both tools are Debian packages; without them the tests skip.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "decoder/layer3/layer3_test_support.h"

namespace yumekaze::testing {
namespace {

struct Encoding {
  int rate;
  int channels;
  int kbps;
  const char* mode;  // lame's -m: m mono, j joint stereo, s stereo
};

bool ToolsPresent() {
  return std::system("command -v lame > /dev/null 2>&1") == 0 &&
         std::system("command -v mpg123 > /dev/null 2>&1") == 0;
}

// Two seconds of tones, a sweep, noise and bursts of clicks (which force short blocks).
void WriteSignal(const std::filesystem::path& path, int rate, int channels) {
  std::mt19937 random(12345);
  std::uniform_real_distribution<double> noise(-0.5, 0.5);
  std::ofstream out(path, std::ios::binary);
  for (int i = 0; i < 2 * rate; ++i) {
    const double t = static_cast<double>(i) / rate;
    for (int c = 0; c < channels; ++c) {
      double v = 0.3 * std::sin(2 * M_PI * (440 + 110 * c) * t) +
                 0.2 * std::sin(2 * M_PI * 1500 * t * (1 + 0.5 * t)) + 0.05 * noise(random);
      if ((i / (rate / 4)) % 2 == 1) v *= (i % 50 < 3) ? 1.0 : 0.1;
      const auto sample = static_cast<int16_t>(v * 20000);
      out.put(static_cast<char>(sample & 0xFF));
      out.put(static_cast<char>((sample >> 8) & 0xFF));
    }
  }
}

class LameStreams : public ::testing::TestWithParam<Encoding> {};

TEST_P(LameStreams, MatchMpg123ToFullAccuracy) {
  if (!ToolsPresent()) GTEST_SKIP() << "lame or mpg123 not installed";
  const Encoding& e = GetParam();
  const auto dir = std::filesystem::temp_directory_path() /
                   ("yumekaze-l3-" + std::to_string(e.rate) + "-" + std::to_string(e.channels) +
                    "-" + std::to_string(e.kbps) + e.mode + "-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const auto raw = dir / "signal.raw";
  const auto mp3 = dir / "signal.mp3";
  const auto reference = dir / "reference.pcm";
  WriteSignal(raw, e.rate, e.channels);
  char rate[16];
  std::snprintf(rate, sizeof rate, "%g", e.rate / 1000.0);
  // -t: no Xing/Info frame, which the player (not the decoder) skips.
  const std::string encode = "lame --silent -t -r --signed --little-endian --bitwidth 16 -s " +
                             std::string(rate) + " -m " + e.mode + " -b " + std::to_string(e.kbps) +
                             " '" + raw.string() + "' '" + mp3.string() + "' > /dev/null 2>&1";
  ASSERT_EQ(std::system(encode.c_str()), 0) << encode;
  const std::string decode = "mpg123 --no-gapless -q -s '" + mp3.string() + "' > '" +
                             reference.string() + "' 2> /dev/null";
  ASSERT_EQ(std::system(decode.c_str()), 0) << decode;

  decoder::MpegOutputInfo info{};
  const auto pcm = DecodeLayer3Stream(ReadFileBytes(mp3), decoder::kOptionFullBand, &info);
  const auto expected = ReadFileBytes(reference);
  EXPECT_EQ(info.SampleRate, e.rate);
  EXPECT_EQ(info.Channels, e.channels);
  ASSERT_GT(expected.size(), 20000u);
  EXPECT_EQ(pcm.size(), expected.size());
  const PcmDifference difference = ComparePcm(expected, pcm);
  EXPECT_TRUE(difference.FullAccuracy())
      << "rms " << difference.rms << " LSB, max " << difference.max << " LSB";
  std::filesystem::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(Rates, LameStreams,
                         ::testing::Values(Encoding{8000, 1, 16, "m"}, Encoding{8000, 2, 24, "j"},
                                           Encoding{11025, 1, 16, "m"}, Encoding{11025, 2, 32, "j"},
                                           Encoding{12000, 1, 24, "m"}, Encoding{12000, 2, 32, "s"},
                                           Encoding{24000, 2, 128, "j"},
                                           Encoding{22050, 1, 64, "m"},
                                           Encoding{44100, 2, 128, "j"},
                                           Encoding{48000, 2, 192, "s"}),
                         [](const auto& info) {
                           return std::to_string(info.param.rate) + "Hz_" +
                                  std::to_string(info.param.channels) + "ch_" +
                                  std::to_string(info.param.kbps) + "k_" + info.param.mode;
                         });

}  // namespace
}  // namespace yumekaze::testing

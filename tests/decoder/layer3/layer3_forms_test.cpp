// The SSE2 and AVX2 + FMA forms of the Layer III routines against the reference forms: alias
// reduction and requantization bit for bit, the hybrid synthesis to the last bit of the stored
// floats on nearly every value, and whole streams (conformance streams and lame-encoded ones) at
// most 1 LSB apart on any sample and identical on at least 99.9 % of them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "decoder/decoder.h"
#include "decoder/decoder_state.h"
#include "decoder/layer3/alias_reduction.h"
#include "decoder/layer3/hybrid_synthesis.h"
#include "decoder/layer3/layer3.h"
#include "decoder/layer3/layer3_simd.h"
#include "decoder/layer3/layer3_test_support.h"
#include "decoder/layer3/requantize.h"

namespace yumekaze::testing {
namespace {

using decoder::DecoderState;

struct Form {
  const char* name;
  uint32_t flags;
};

class Layer3Forms : public ::testing::TestWithParam<Form> {
 protected:
  void SetUp() override {
    const uint32_t flags = GetParam().flags;
    if ((decoder::GetCpuCapabilities() & flags) != flags) {
      GTEST_SKIP() << "the processor lacks the " << GetParam().name << " form's extensions";
    }
    decoder::BuildLayer3Tables(tables_);
    state_ = std::make_unique<DecoderState>();
    decoder::SelectLayer3Variants(*state_, flags);
  }
  const decoder::Layer3State& Chosen() const { return state_->layer3; }

  decoder::Layer3Tables tables_{};
  std::unique_ptr<DecoderState> state_;
  std::mt19937 random_{20261207};
};

// Spectral values as decoding produces them: mostly small, some loud, some zero.
float RandomValue(std::mt19937& random) {
  std::normal_distribution<float> normal(0.0f, 1.0f);
  std::uniform_real_distribution<float> exponent(-2.0f, 4.3f);
  if (random() % 8 == 0) return 0.0f;
  return normal(random) * std::pow(10.0f, exponent(random));
}

TEST_P(Layer3Forms, AreChosenFromTheirFlags) {
  EXPECT_NE(Chosen().AliasReduce, &decoder::AliasReduceX87);
  EXPECT_NE(Chosen().HybridSynthesis, &decoder::HybridSynthesisX87);
  EXPECT_NE(Chosen().RequantizeRun, &decoder::RequantizeRunReference);
}

#ifdef YUMEKAZE_LAYER3_SIMD
TEST(Layer3FormChoice, AvxWithFmaThenSse2ThenThePackedForms) {
  using namespace decoder;
  auto state = std::make_unique<DecoderState>();
  const Layer3State& chosen = state->layer3;
  SelectLayer3Variants(*state, kCpuSSE2 | kCpuAVX2 | kCpuFMA | kCpuE3DNow | kCpuCMOV);
  EXPECT_EQ(chosen.AliasReduce, &AliasReduceAvx2);
  EXPECT_EQ(chosen.HybridSynthesis, &HybridSynthesisAvx2);
  EXPECT_EQ(chosen.RequantizeRun, &RequantizeRunAvx2);
  // AVX2 without FMA is not enough.
  SelectLayer3Variants(*state, kCpuSSE2 | kCpuAVX2 | kCpu3DNow);
  EXPECT_EQ(chosen.AliasReduce, &AliasReduceSse2);
  EXPECT_EQ(chosen.HybridSynthesis, &HybridSynthesisSse2);
  EXPECT_EQ(chosen.RequantizeRun, &RequantizeRunSse2);
  SelectLayer3Variants(*state, kCpuE3DNow | kCpuCMOV);
  EXPECT_EQ(chosen.AliasReduce, &AliasReducePacked);
  EXPECT_EQ(chosen.HybridSynthesis, &HybridSynthesisPacked);
  EXPECT_EQ(chosen.RequantizeRun, &RequantizeRunReference);
  SelectLayer3Variants(*state, 0);
  EXPECT_EQ(chosen.AliasReduce, &AliasReduceX87);
  EXPECT_EQ(chosen.HybridSynthesis, &HybridSynthesisX87);
  EXPECT_EQ(chosen.RequantizeRun, &RequantizeRunReference);
}
#endif

TEST_P(Layer3Forms, AliasReductionIsBitExact) {
  for (int trial = 0; trial < 500; ++trial) {
    std::vector<float> reference(576);
    for (float& value : reference) value = RandomValue(random_);
    std::vector<float> candidate = reference;
    const int32_t boundaries = static_cast<int32_t>(random_() % 32);
    decoder::AliasReduceX87(tables_, reference.data(), boundaries);
    Chosen().AliasReduce(tables_, candidate.data(), boundaries);
    ASSERT_EQ(std::memcmp(reference.data(), candidate.data(), sizeof(float) * 576), 0)
        << "boundaries " << boundaries;
  }
}

TEST_P(Layer3Forms, RequantizationIsBitExact) {
  for (int trial = 0; trial < 2000; ++trial) {
    std::vector<int32_t> quantized(64);
    const int spread = trial % 4;  // small values, table edges, linbits values, zeros
    for (int32_t& value : quantized) {
      const int32_t r = static_cast<int32_t>(random_() % 65536);
      value = spread == 0   ? r % 7 - 3
              : spread == 1 ? r % 70 - 35
              : spread == 2 ? r % 16413 - 8206
                            : (r % 9 == 0 ? r % 5 - 2 : 0);
    }
    const int32_t count = static_cast<int32_t>(random_() % 65);
    const float factor = std::ldexp(1.0f + static_cast<float>(random_() % 1000) / 1000.0f,
                                    static_cast<int>(random_() % 60) - 40);
    std::vector<float> reference(64, -1.0f);
    std::vector<float> candidate(64, -1.0f);
    const bool referenceNonzero =
        decoder::RequantizeRunReference(tables_, quantized.data(), reference.data(), count, factor);
    const bool candidateNonzero =
        Chosen().RequantizeRun(tables_, quantized.data(), candidate.data(), count, factor);
    ASSERT_EQ(candidateNonzero, referenceNonzero);
    ASSERT_EQ(std::memcmp(reference.data(), candidate.data(), sizeof(float) * 64), 0)
        << "count " << count;
  }
}

TEST_P(Layer3Forms, RequantizationOfEveryValueTheDecoderCanProduceIsBitExact) {
  // -8206..8206 (15 plus 13 linbits) and a little beyond, in bands of every length up to 24.
  std::vector<int32_t> quantized;
  for (int32_t v = -8300; v <= 8300; ++v) quantized.push_back(v);
  std::vector<float> reference(quantized.size());
  std::vector<float> candidate(quantized.size());
  const float factor = 0.7071f;
  size_t start = 0;
  for (int32_t width = 1; start < quantized.size(); width = width % 24 + 1) {
    const auto count = static_cast<int32_t>(std::min<size_t>(width, quantized.size() - start));
    decoder::RequantizeRunReference(tables_, quantized.data() + start, reference.data() + start,
                                    count, factor);
    Chosen().RequantizeRun(tables_, quantized.data() + start, candidate.data() + start, count,
                           factor);
    start += static_cast<size_t>(count);
  }
  ASSERT_EQ(std::memcmp(reference.data(), candidate.data(), sizeof(float) * reference.size()), 0);
}

// Every block type, mixed blocks of both long-part lengths, line counts that end inside a group
// of subbands, previous extents above and below.
TEST_P(Layer3Forms, HybridSynthesisMatchesTheReferenceToTheLastBit) {
  size_t values = 0;
  size_t identical = 0;
  for (int trial = 0; trial < 600; ++trial) {
    const int32_t blockType = static_cast<int32_t>(random_() % 4);
    const bool mixed = random_() % 3 == 0;
    const int32_t mixedLongLines = mixed ? (random_() % 2 ? 36 : 72) : 0;
    const int32_t lines = static_cast<int32_t>(random_() % 577);
    const int32_t longLines = blockType != 2 ? lines : std::min(mixedLongLines, lines);
    const int32_t previousLines = static_cast<int32_t>(random_() % 577);
    std::vector<float> spectrum(576);
    std::vector<float> overlap(576);
    for (float& value : spectrum) value = RandomValue(random_);
    for (float& value : overlap) value = RandomValue(random_);
    std::vector<float> candidateSpectrum = spectrum;
    std::vector<float> referenceOut(576, 7.0f);
    std::vector<float> candidateOut(576, 7.0f);
    const int32_t referenceLines =
        decoder::HybridSynthesisX87(tables_, spectrum.data(), overlap.data(), referenceOut.data(),
                                    blockType, mixedLongLines, longLines, lines, previousLines);
    const int32_t candidateLines = Chosen().HybridSynthesis(
        tables_, candidateSpectrum.data(), overlap.data(), candidateOut.data(), blockType,
        mixedLongLines, longLines, lines, previousLines);
    ASSERT_EQ(candidateLines, referenceLines);
    auto compare = [&](const std::vector<float>& reference, const std::vector<float>& candidate) {
      for (int i = 0; i < 576; ++i) {
        ++values;
        if (candidate[i] == reference[i]) {
          ++identical;
          continue;
        }
        // One unit in the last place of the reference value at most.
        const float ulp = std::nextafter(std::abs(reference[i]), INFINITY) - std::abs(reference[i]);
        ASSERT_LE(std::abs(candidate[i] - reference[i]), ulp)
            << "block type " << blockType << " lines " << lines << " value " << i;
      }
    };
    compare(referenceOut, candidateOut);
    compare(spectrum, candidateSpectrum);
  }
  EXPECT_GE(static_cast<double>(identical), 0.999 * static_cast<double>(values))
      << identical << " of " << values << " identical";
}

// At most 1 LSB apart on any sample, identical on at least 99.9 %.
void ExpectSamePcm(const std::vector<uint8_t>& reference, const std::vector<uint8_t>& candidate) {
  ASSERT_EQ(candidate.size(), reference.size());
  const size_t samples = reference.size() / 2;
  size_t identical = 0;
  int largest = 0;
  for (size_t i = 0; i < samples; ++i) {
    const int r = static_cast<int16_t>(reference[2 * i] | (reference[2 * i + 1] << 8));
    const int c = static_cast<int16_t>(candidate[2 * i] | (candidate[2 * i + 1] << 8));
    largest = std::max(largest, std::abs(r - c));
    identical += r == c;
  }
  EXPECT_LE(largest, 1);
  EXPECT_GE(static_cast<double>(identical), 0.999 * static_cast<double>(samples))
      << identical << " of " << samples << " samples identical";
}

TEST_P(Layer3Forms, ConformanceStreamsDecodeToFullAccuracyAndAsTheReference) {
  int streams = 0;
  for (const char* name : {"l3-compl", "l3-he_32khz", "l3-he_44khz", "l3-he_free", "l3-hecommon",
                           "l3-si", "l3-si_block", "M2L3_bitrate_22_all"}) {
    const std::filesystem::path base = SharedDir() / "conformance" / name;
    if (!std::filesystem::exists(base.string() + ".bit")) continue;
    ++streams;
    SCOPED_TRACE(name);
    const auto bitstream = ReadFileBytes(base.string() + ".bit");
    const auto expected = ReadFileBytes(base.string() + ".pcm");
    const auto reference = DecodeLayer3Stream(bitstream, decoder::kOptionFullBand);
    const auto candidate =
        DecodeLayer3Stream(bitstream, decoder::kOptionFullBand, nullptr, GetParam().flags);
    const PcmDifference difference = ComparePcm(expected, candidate);
    EXPECT_TRUE(difference.FullAccuracy())
        << "rms " << difference.rms << " LSB, max " << difference.max << " LSB";
    ExpectSamePcm(reference, candidate);
  }
  if (streams == 0) GTEST_SKIP() << "no conformance streams in " << SharedDir();
}

// Four seconds of chords, sweeps, noise and clicks (short blocks), encoded by lame at 44.1 kHz
// joint stereo and at 8 kHz mono (MPEG-2.5), decoded by each form and by the reference forms.
TEST_P(Layer3Forms, LameStreamsDecodeAsTheReference) {
  if (std::system("command -v lame > /dev/null 2>&1") != 0) GTEST_SKIP() << "lame not installed";
  const auto dir =
      std::filesystem::temp_directory_path() /
      ("yumekaze-l3-forms-" + std::string(GetParam().name) + "-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const auto raw = dir / "signal.raw";
  {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> noise(-1.0, 1.0);
    std::ofstream out(raw, std::ios::binary);
    const int rate = 44100;
    for (int i = 0; i < 4 * rate; ++i) {
      const double t = static_cast<double>(i) / rate;
      for (int c = 0; c < 2; ++c) {
        double v = 0.25 * std::sin(2 * M_PI * (220 + 110 * c) * t) +
                   0.2 * std::sin(2 * M_PI * (100 + 4000 * t) * t) + 0.1 * noise(random);
        if ((i / 11025) % 3 == 2) v *= (i % 2000 < 20) ? 2.5 : 0.05;
        const auto sample = static_cast<int16_t>(std::clamp(v, -1.0, 1.0) * 32000);
        out.put(static_cast<char>(sample & 0xFF));
        out.put(static_cast<char>((sample >> 8) & 0xFF));
      }
    }
  }
  struct Encoding {
    const char* arguments;
    const char* file;
  };
  for (const Encoding& e :
       {Encoding{"-m j -b 160", "joint.mp3"}, Encoding{"-m m --resample 8 -b 16", "mono8k.mp3"},
        Encoding{"-m s -V 2", "vbr.mp3"}}) {
    SCOPED_TRACE(e.file);
    const auto mp3 = dir / e.file;
    const std::string encode =
        "lame --silent -t -r --signed --little-endian --bitwidth 16 -s 44.1 " +
        std::string(e.arguments) + " '" + raw.string() + "' '" + mp3.string() +
        "' > /dev/null 2>&1";
    ASSERT_EQ(std::system(encode.c_str()), 0) << encode;
    const auto bitstream = ReadFileBytes(mp3);
    const auto reference = DecodeLayer3Stream(bitstream, decoder::kOptionFullBand);
    ASSERT_GT(reference.size(), 10000u);
    ExpectSamePcm(reference, DecodeLayer3Stream(bitstream, decoder::kOptionFullBand, nullptr,
                                                GetParam().flags));
    // The default band limit and mix to mono take the other output paths.
    ExpectSamePcm(
        DecodeLayer3Stream(bitstream, decoder::kChannelsMixToMono),
        DecodeLayer3Stream(bitstream, decoder::kChannelsMixToMono, nullptr, GetParam().flags));
  }
  std::filesystem::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(Forms, Layer3Forms,
                         ::testing::Values(Form{"sse2", decoder::kCpuSSE2},
                                           Form{"avx2_fma", decoder::kCpuSSE2 | decoder::kCpuAVX2 |
                                                                decoder::kCpuFMA}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace yumekaze::testing

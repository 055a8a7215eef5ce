// The vector forms of the synthesis (SSE2, AVX2 + FMA) against the reference form: on random
// history rings and on whole streams they may differ by at most one step on any sample and must
// agree on at least 99.9 % of the samples; on the conformance streams they keep full accuracy.
// Their DCT performs the reference form's float operations and must give its values exactly.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "decoder/cpu_capabilities.h"
#include "decoder/decoder.h"
#include "decoder/decoder_state.h"
#include "decoder/synthesis.h"
#include "decoder/test_support.h"

namespace yumekaze::decoder {
namespace {

namespace fs = std::filesystem;
using yumekaze::testing::ReadFileBytes;
using yumekaze::testing::SharedDir;

struct Form {
  const char* name;
  uint32_t flags;  // what SelectCpuVariants is given
  WindowRoutineFn mono;
  WindowPairFn pair;
  DctRoutineFn dct;
};

// The forms this processor can run.
std::vector<Form> VectorForms() {
  std::vector<Form> forms;
#if defined(__x86_64__)
  const uint32_t detected = GetCpuCapabilities();
  if (detected & kCpuSSE2)
    forms.push_back(
        {"sse2", kCpuSSE2, WindowMonoSse2, WindowBothChannels<WindowStereoSse2>, Dct32Sse2});
  if ((detected & (kCpuAVX2 | kCpuFMA)) == (kCpuAVX2 | kCpuFMA)) {
    forms.push_back(
        {"avx2", kCpuSSE2 | kCpuAVX2 | kCpuFMA, WindowMonoAvx2, WindowPairAvx2, Dct32Avx2});
  }
#endif
  return forms;
}

int16_t SampleAt(const uint8_t* pcm, size_t index) {
  return static_cast<int16_t>(pcm[2 * index] | (pcm[2 * index + 1] << 8));
}

// Differences between two PCM buffers, sample by sample.
struct Tally {
  size_t samples = 0;
  size_t differing = 0;
  int maxDifference = 0;
  void Add(int16_t reference, int16_t candidate) {
    ++samples;
    const int difference = std::abs(reference - candidate);
    differing += difference != 0;
    maxDifference = std::max(maxDifference, difference);
  }
  void Add(const std::vector<uint8_t>& reference, const std::vector<uint8_t>& candidate) {
    ASSERT_EQ(reference.size(), candidate.size());
    for (size_t i = 0; i < reference.size() / 2; ++i) {
      Add(SampleAt(reference.data(), i), SampleAt(candidate.data(), i));
    }
  }
  void ExpectClose(const std::string& what) const {
    EXPECT_GT(samples, 0u) << what;
    EXPECT_LE(maxDifference, 1) << what;
    EXPECT_GE(static_cast<double>(samples - differing), 0.999 * static_cast<double>(samples))
        << what << ": " << differing << " of " << samples << " samples differ";
  }
};

TEST(SynthesisForms, TheProcessorHasAtLeastSse2) {
#if defined(__x86_64__)
  EXPECT_FALSE(VectorForms().empty());
#else
  GTEST_SKIP() << "vector forms exist on x86-64 only";
#endif
}

TEST(SynthesisForms, CapabilitySetChoosesAndSwitchesOffTheVectorForms) {
  EXPECT_EQ(CapabilitySetToFlags(0x20), kCpuSSE2);
  EXPECT_EQ(CapabilitySetToFlags(0x40), kCpuAVX2 | kCpuFMA);
  for (uint32_t set = 0; set < 128; ++set) {
    EXPECT_EQ(FlagsToCapabilitySet(CapabilitySetToFlags(set)), set);
  }
  // AVX2 without FMA does not count: its forms need both.
  EXPECT_EQ(FlagsToCapabilitySet(kCpuAVX2), 0u);

  auto decoder = std::make_unique<DecoderState>();
  SelectCpuVariants(*decoder, CapabilitySetToFlags(0x1F));  // every extension but the vector ones
  EXPECT_EQ(decoder->WindowMono, WindowMono3DNow);
  SelectCpuVariants(*decoder, CapabilitySetToFlags(0x00));
  EXPECT_EQ(decoder->WindowMono, WindowMonoX87);
  EXPECT_EQ(decoder->WindowPair, WindowBothChannels<WindowStereoX87>);
  for (const Form& form : VectorForms()) {
    SelectCpuVariants(*decoder, form.flags | kCpu3DNow);
    EXPECT_EQ(decoder->WindowMono, form.mono) << form.name;
    EXPECT_EQ(decoder->WindowPair, form.pair) << form.name;
    EXPECT_EQ(decoder->Dct, form.dct) << form.name;
  }
}

TEST(SynthesisForms, WindowingMatchesTheReferenceOnRandomRings) {
  std::mt19937 random(20261207);
  for (const Form& form : VectorForms()) {
    Tally tally;
    for (int trial = 0; trial < 3000; ++trial) {
      // Levels from quiet to far beyond full scale, so that clipping is covered as well.
      const float scale = std::pow(10.0f, std::uniform_real_distribution<float>(-1, 5)(random));
      std::normal_distribution<float> value(0.0f, scale);
      alignas(16) float ring[512];
      for (float& v : ring) v = value(random);
      // Every slot position, and the exact halves where rounding must go to even.
      if (trial % 50 == 0) std::fill(std::begin(ring), std::end(ring), 0.0f);
      if (trial % 50 == 0) ring[32 + 64 * (trial / 50 % 8)] = 2.5f / 1.144989014f;
      const int32_t position = 32 * (trial % 16);

      uint8_t reference[64];
      uint8_t candidate[64];
      WindowMonoX87(ring, position, reference);
      form.mono(ring, position, candidate);
      for (size_t i = 0; i < 32; ++i) tally.Add(SampleAt(reference, i), SampleAt(candidate, i));

      // Both channels into interleaved stereo, and nothing written past them.
      alignas(16) float other[512];
      for (float& v : other) v = value(random);
      uint8_t expected[130];
      uint8_t actual[130];
      std::memset(expected, 0x5A, sizeof expected);
      std::memset(actual, 0x5A, sizeof actual);
      WindowStereoX87(ring, position, expected);
      WindowStereoX87(other, position, expected + 2);
      form.pair(ring, other, position, actual);
      for (size_t i = 0; i < 64; ++i) tally.Add(SampleAt(expected, i), SampleAt(actual, i));
      ASSERT_EQ(SampleAt(actual, 64), 0x5A5A) << form.name << ": wrote past the slot";
    }
    tally.ExpectClose(form.name);
  }
}

TEST(SynthesisForms, DctGivesTheReferenceFormsValuesBitForBit) {
  float table[31];
  BuildCosineTable(table);
  std::mt19937 random(7);
  for (const Form& form : VectorForms()) {
    for (int trial = 0; trial < 4000; ++trial) {
      const float scale = std::pow(10.0f, std::uniform_real_distribution<float>(-3, 6)(random));
      std::normal_distribution<float> value(0.0f, scale);
      // Two slots 64 apart with a spare value in front, so that unaligned input is covered too;
      // each slot must come out as the reference form gives it alone.
      alignas(16) float input[129];
      for (float& v : input) v = value(random);
      if (trial % 10 == 0) std::fill(input + 4, input + 60, -0.0f);
      const float* in = input + (trial / 4 % 2);
      const auto layout = static_cast<DctInput>(trial % 5);
      alignas(16) float reference[2][32];
      alignas(16) float candidate[2][32];
      if (layout == kDctBoth) {
        Dct32Reference(table, in, kDctLeft, reference[0]);
        Dct32Reference(table, in, kDctRight, reference[1]);
      } else {
        Dct32Reference(table, in, layout, reference[0]);
        Dct32Reference(table, in + 64, layout, reference[1]);
      }
      form.dct(table, in, 64, layout, candidate[0], candidate[1]);
      ASSERT_EQ(std::memcmp(reference, candidate, sizeof reference), 0)
          << form.name << " layout " << layout << " trial " << trial;
    }
  }
}

TEST(SynthesisForms, ClippingRoundingAndNanFollowTheReference) {
  for (const Form& form : VectorForms()) {
    for (const float value : {40000.0f, -40000.0f, 1e30f, -1e30f, 2.5f, 3.5f, -2.5f,
                              std::numeric_limits<float>::quiet_NaN()}) {
      // X_0 of the slot one back gives sample 16 = D[256] x value; X_16 of the slot two back
      // gives sample 0 = D[64] x value.
      alignas(16) float ring[512] = {};
      ring[32] = value / 1.144989014f;
      ring[16 + 64] = value;
      uint8_t reference[64];
      uint8_t candidate[64];
      WindowMonoX87(ring, 0, reference);
      form.mono(ring, 0, candidate);
      for (size_t i = 0; i < 32; ++i) {
        EXPECT_EQ(SampleAt(candidate, i), SampleAt(reference, i))
            << form.name << " value " << value << " sample " << i;
      }
    }
  }
}

// The front ends transform two slots per DCT call; given one slot per call they pair nothing.
// Both ways must give the same PCM and ring positions, in every form, with and without the
// subband gains, over frames enough for the ring to wrap. (Layer III's front ends take the same
// path with 18 slots of 32 values.)
TEST(SynthesisForms, FrontEndsGiveTheSamePcmWholeAndSlotBySlot) {
  struct FrontEnd {
    const char* name;
    OutputRoutineFn output;
    int32_t pcmBytes;  // per slot
  };
  const FrontEnd frontEnds[] = {{"mono", OutputMono, 64},
                                {"stereo", OutputStereo, 128},
                                {"mix", OutputMix, 64},
                                {"right", OutputRight, 64}};
  std::vector<uint32_t> flags = {0, kCpu3DNow};
  for (const Form& form : VectorForms()) flags.push_back(form.flags);
  std::mt19937 random(5);
  std::normal_distribution<float> value(0.0f, 3000.0f);
  for (const uint32_t cpu : flags) {
    for (const FrontEnd& end : frontEnds) {
      for (const bool gains : {false, true}) {
        auto whole = std::make_unique<DecoderState>();
        auto single = std::make_unique<DecoderState>();
        for (DecoderState* d : {whole.get(), single.get()}) {
          SelectCpuVariants(*d, cpu);
          ResetSynthesis(*d);
          d->equalizer.SubbandEqEnabled = gains ? 1 : 0;
          for (int i = 0; i < 32; ++i) d->equalizer.SubbandGains[i] = 0.25f + 0.05f * i;
        }
        for (int frame = 0; frame < 3; ++frame) {
          std::vector<float> samples(kSubbandSampleCount);
          for (float& v : samples) v = value(random);
          std::vector<uint8_t> expected(4608, 0x5A);
          std::vector<uint8_t> actual(4608, 0x5A);
          end.output(*whole, samples.data(), actual.data(), 36);
          for (int32_t s = 0; s < 36; ++s) {
            end.output(*single, samples.data() + 64 * s, expected.data() + end.pcmBytes * s, 1);
          }
          ASSERT_EQ(expected, actual) << end.name << " flags " << cpu << " gains " << gains;
          ASSERT_EQ(single->SynthRingPos, whole->SynthRingPos) << end.name;
        }
      }
    }
  }
}

// Decodes a whole stream with the given forms; frames are found by their own headers.
std::vector<uint8_t> DecodeWith(const std::vector<uint8_t>& stream, uint32_t flags,
                                uint8_t options) {
  MpegFrameHeader first{};
  int32_t bitrate = 0;
  uint32_t offset = 0;
  const int32_t length =
      FindFrameHeader(stream.data(), static_cast<uint32_t>(stream.size()), first, bitrate, offset);
  if (length <= 0) return {};
  auto decoder = std::make_unique<DecoderState>();
  SelectCpuVariants(*decoder, flags);
  if (InitDecoder(*decoder, first, length, 0, 0, options, 24000) != 1) return {};
  std::vector<uint8_t> pcm;
  std::vector<uint8_t> frame(4608);
  size_t at = offset;
  while (at + 4 <= stream.size()) {
    MpegFrameHeader header{};
    const auto remaining = static_cast<uint32_t>(stream.size() - at);
    const int32_t frameLength = DecodeFrameHeader(&stream[at], remaining, header);
    if (frameLength <= 0) break;
    const size_t size = frameLength + header.Padding * (header.Layer == 3 ? 4 : 1);
    if (at + size > stream.size()) break;
    MpegDecodeResult result{};
    DecodeFrame(*decoder, result, &stream[at], size, frame.data());
    if (result.BytesConsumed <= 0) break;
    pcm.insert(pcm.end(), frame.begin(), frame.begin() + result.BytesProduced);
    at += size;
  }
  return pcm;
}

TEST(SynthesisForms, StreamsDecodeAsWithTheReferenceForm) {
  const fs::path dir = SharedDir() / "conformance";
  if (!fs::exists(dir)) GTEST_SKIP() << "conformance streams not available under " << SharedDir();
  std::vector<fs::path> streams;
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (entry.path().extension() == ".bit") streams.push_back(entry.path());
  }
  std::sort(streams.begin(), streams.end());
  streams.push_back(fs::path(YUMEKAZE_SOURCE_DIR) / "data" / "demo.mp2");
  for (const Form& form : VectorForms()) {
    Tally total;
    for (const fs::path& path : streams) {
      const std::vector<uint8_t> stream = ReadFileBytes(path);
      for (const uint8_t options : {uint8_t{kOptionFullBand}, uint8_t{kChannelsMixToMono}}) {
        const auto reference = DecodeWith(stream, 0, options);
        const auto candidate = DecodeWith(stream, form.flags, options);
        ASSERT_FALSE(reference.empty()) << path;
        Tally tally;
        tally.Add(reference, candidate);
        tally.ExpectClose(std::string(form.name) + " " + path.filename().string());
        total.samples += tally.samples;
        total.differing += tally.differing;
      }
      // The standard's accuracy against the reference PCM, where it is given.
      fs::path expected = path;
      expected.replace_extension(".pcm");
      if (!fs::exists(expected)) continue;
      const auto pcm = DecodeWith(stream, form.flags, kOptionFullBand);
      EXPECT_TRUE(yumekaze::testing::ComparePcm(ReadFileBytes(expected), pcm).FullAccuracy())
          << form.name << " " << path.filename();
    }
    std::printf("%s: %zu of %zu samples differ from the reference form\n", form.name,
                total.differing, total.samples);
  }
}

}  // namespace
}  // namespace yumekaze::decoder

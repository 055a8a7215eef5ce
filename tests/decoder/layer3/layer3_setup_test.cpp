// Layer III set-up (limits, output format, refusals), routine variants and the equalizer.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "decoder/layer3/alias_reduction.h"
#include "decoder/layer3/hybrid_synthesis.h"
#include "decoder/layer3/layer3.h"
#include "decoder/layer3/layer3_test_support.h"

namespace yumekaze::testing {
namespace {

using decoder::DecoderState;
using decoder::MpegFrameHeader;

MpegFrameHeader Header(int versionId, int sampleRateIndex, int mode, int syncKind = 1) {
  MpegFrameHeader header{};
  header.SyncKind = syncKind;
  header.VersionId = versionId;
  header.Layer = 1;
  header.ProtectionBit = 1;
  header.BitrateIndex = 9;
  header.SampleRateIndex = sampleRateIndex;
  header.Mode = mode;
  return header;
}

TEST(Layer3Setup, LimitsWithAndWithoutFullBand) {
  auto state = std::make_unique<DecoderState>();
  ASSERT_EQ(decoder::InitLayer3(*state, Header(1, 0, 0), 417, 0, 0, 24000), 1);
  EXPECT_EQ(state->layer3.LineLimit, 558);  // 31 subbands at 44.1 kHz
  EXPECT_EQ(state->layer3.LongZeroFrom, 558);
  ASSERT_EQ(decoder::InitLayer3(*state, Header(1, 0, 0), 417, 0, 0, 4000), 1);
  EXPECT_EQ(state->layer3.LineLimit, 108);  // (4000 x 64 + 22050) / 44100 = 6 subbands
  ASSERT_EQ(decoder::InitLayer3(*state, Header(0, 0, 0), 208, 0, 0, 24000), 1);
  EXPECT_EQ(state->layer3.LongZeroFrom, 522);  // the highest band of MPEG-2 is cleared
  EXPECT_EQ(state->layer3.ShortZeroFrom, 522);
  ASSERT_EQ(decoder::InitLayer3(*state, Header(0, 0, 0), 208, 0, decoder::kOptionFullBand, 24000),
            1);
  EXPECT_EQ(state->layer3.LineLimit, 576);
  EXPECT_EQ(state->layer3.LongZeroFrom, 576);
  EXPECT_EQ(state->layer3.ShortZeroFrom, 576);
}

TEST(Layer3Setup, OutputFormatsByVersionAndChannelSelection) {
  auto state = std::make_unique<DecoderState>();
  decoder::MpegOutputInfo info{};
  ASSERT_EQ(decoder::InitLayer3(*state, Header(1, 1, 1), 417, 0, 0, 24000), 1);
  decoder::GetOutputInfo(*state, info);
  EXPECT_EQ(info.Channels, 2);
  EXPECT_EQ(info.SamplesPerFrame, 2304);
  EXPECT_EQ(info.SampleRate, 48000);
  EXPECT_EQ(info.BitsPerSample, 16);
  EXPECT_EQ(info.FrameLength, 417);
  EXPECT_EQ(state->layer3.GainOffset, 0);
  ASSERT_EQ(
      decoder::InitLayer3(*state, Header(1, 1, 1), 417, 0, decoder::kChannelsMixToMono, 24000), 1);
  decoder::GetOutputInfo(*state, info);
  EXPECT_EQ(info.Channels, 1);
  EXPECT_EQ(state->layer3.GainOffset, -4);
  ASSERT_EQ(decoder::InitLayer3(*state, Header(0, 2, 3, 2), 72, 0, 0, 24000), 1);
  decoder::GetOutputInfo(*state, info);
  EXPECT_EQ(info.Channels, 1);
  EXPECT_EQ(info.SamplesPerFrame, 576);
  EXPECT_EQ(info.SampleRate, 8000);
  EXPECT_EQ(state->layer3.MixedLongSfbs, 6);
  EXPECT_EQ(state->layer3.LongSfbEnd[5], 72);  // the 8 kHz band table
}

TEST(Layer3Setup, RefusesWhatHasNoOutputRoutineOrIsNotLayer3) {
  auto state = std::make_unique<DecoderState>();
  EXPECT_EQ(decoder::InitLayer3(*state, Header(1, 0, 0), 417, 0, decoder::kOptionEightBit, 24000),
            0);
  EXPECT_EQ(decoder::InitLayer3(*state, Header(1, 0, 0), 417, 1, 0, 24000), 0);
  MpegFrameHeader layer2 = Header(1, 0, 0);
  layer2.Layer = 2;
  EXPECT_EQ(decoder::InitLayer3(*state, layer2, 417, 0, 0, 24000), 0);
  EXPECT_EQ(decoder::InitLayer3(*state, Header(1, 3, 0), 417, 0, 0, 24000), 0);
  EXPECT_EQ(
      decoder::InitLayer3(*state, Header(1, 0, 0), 417, 0, decoder::kChannelsRightOnly, 24000), 1);
}

TEST(Layer3Variants, ChosenFromTheCapabilityFlags) {
  auto state = std::make_unique<DecoderState>();
  decoder::SelectLayer3Variants(*state, 0);
  EXPECT_EQ(state->layer3.AliasReduce, &decoder::AliasReduceX87);
  EXPECT_EQ(state->layer3.HybridSynthesis, &decoder::HybridSynthesisX87);
  decoder::SelectLayer3Variants(*state, decoder::kCpu3DNow | decoder::kCpuCMOV);
  EXPECT_EQ(state->layer3.AliasReduce, &decoder::AliasReducePacked);
  EXPECT_EQ(state->layer3.HybridSynthesis, &decoder::HybridSynthesisX87);
  decoder::SelectLayer3Variants(*state, decoder::kCpuE3DNow | decoder::kCpuCMOV);
  EXPECT_EQ(state->layer3.AliasReduce, &decoder::AliasReducePacked);
  EXPECT_EQ(state->layer3.HybridSynthesis, &decoder::HybridSynthesisPacked);
  decoder::SelectLayer3Variants(*state, decoder::kCpuE3DNow);
  EXPECT_EQ(state->layer3.HybridSynthesis, &decoder::HybridSynthesisX87);
}

TEST(Equalizer, AccessorsAddressTheDecodersGainSets) {
  auto state = std::make_unique<DecoderState>();
  EXPECT_EQ(decoder::GetSubbandGainPtr(*state, 31), &state->equalizer.SubbandGains[31]);
  EXPECT_EQ(decoder::GetLineGainPtr(*state, 575), &state->equalizer.LineGains[575]);
  EXPECT_EQ(decoder::GetSubbandEqEnabledPtr(*state), &state->equalizer.SubbandEqEnabled);
  EXPECT_EQ(decoder::GetLineEqEnabledPtr(*state), &state->equalizer.LineEqEnabled);
  DecoderState& global = decoder::GlobalDecoder();
  EXPECT_EQ(decoder::GetLineGainPtr(3), &global.equalizer.LineGains[3]);
  EXPECT_EQ(decoder::GetSubbandGainPtr(4), &global.equalizer.SubbandGains[4]);
  EXPECT_EQ(decoder::GetLineEqEnabledPtr(), &global.equalizer.LineEqEnabled);
  EXPECT_EQ(decoder::GetSubbandEqEnabledPtr(), &global.equalizer.SubbandEqEnabled);
  EXPECT_EQ(*decoder::GetLineEqEnabledPtr(*state), 0);
  EXPECT_EQ(*decoder::GetLineGainPtr(*state, 100), 0.0f);
}

// Decodes a conformance stream with the line equalizer set up by `setUp`.
template <typename SetUp>
std::vector<uint8_t> DecodeWithLineEqualizer(const std::vector<uint8_t>& bytes, SetUp setUp) {
  auto state = std::make_unique<DecoderState>();
  decoder::MpegFrameHeader header{};
  int32_t bitrate = 0;
  uint32_t offset = 0;
  const int32_t length = decoder::FindFrameHeader(bytes.data(), static_cast<uint32_t>(bytes.size()),
                                                  header, bitrate, offset);
  EXPECT_EQ(decoder::InitDecoder(*state, header, length, 0, 0, decoder::kOptionFullBand, 24000), 1);
  setUp(*state);
  std::vector<uint8_t> pcm;
  std::vector<uint8_t> out(4608);
  for (size_t position = offset; position + 4 <= bytes.size();) {
    decoder::MpegDecodeResult result{};
    decoder::DecodeFrame(*state, result, bytes.data() + position, bytes.size() - position,
                         out.data());
    if (result.BytesConsumed <= 0) break;
    pcm.insert(pcm.end(), out.begin(), out.begin() + result.BytesProduced);
    position += static_cast<size_t>(result.BytesConsumed);
  }
  return pcm;
}

TEST(Equalizer, LineGainsActOnlyWhenSwitchedOn) {
  const auto path = SharedDir() / "conformance" / "l3-he_44khz.bit";
  if (!std::filesystem::exists(path)) GTEST_SKIP() << "conformance stream not found: " << path;
  const auto bytes = ReadFileBytes(path);
  const auto plain = DecodeLayer3Stream(bytes, decoder::kOptionFullBand);
  const auto unity = DecodeWithLineEqualizer(bytes, [](DecoderState& state) {
    for (int i = 0; i < 576; ++i) *decoder::GetLineGainPtr(state, i) = 1.0f;
    *decoder::GetLineEqEnabledPtr(state) = 1;
  });
  EXPECT_EQ(unity, plain);
  const auto unwritten = DecodeWithLineEqualizer(
      bytes, [](DecoderState& state) { *decoder::GetLineEqEnabledPtr(state) = 1; });
  ASSERT_EQ(unwritten.size(), plain.size());
  for (uint8_t byte : unwritten) ASSERT_EQ(byte, 0);
  const auto switchedOff = DecodeWithLineEqualizer(bytes, [](DecoderState& state) {
    for (int i = 0; i < 576; ++i) *decoder::GetLineGainPtr(state, i) = 0.5f;
  });
  EXPECT_EQ(switchedOff, plain);
}

}  // namespace
}  // namespace yumekaze::testing

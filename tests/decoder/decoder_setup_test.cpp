#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "decoder/decoder.h"
#include "decoder/decoder_state.h"

namespace yumekaze::decoder {
namespace {

MpegFrameHeader Header(const std::vector<uint8_t>& bytes) {
  MpegFrameHeader h{};
  DecodeFrameHeader(bytes.data(), 0, h);
  return h;
}

class DecoderSetup : public ::testing::Test {
 protected:
  std::unique_ptr<DecoderState> decoder = std::make_unique<DecoderState>();
  // MPEG-1 Layer II, 44100 Hz, 128 kbit/s, stereo; and 48000 Hz, 384 kbit/s.
  MpegFrameHeader layer2_44k = Header({0xFF, 0xFD, 0x80, 0x00});
  MpegFrameHeader layer2_48k_384 = Header({0xFF, 0xFD, 0xE4, 0x00});
  MpegFrameHeader layer1_44k = Header({0xFF, 0xFF, 0x80, 0x00});

  MpegOutputInfo Info() {
    MpegOutputInfo info{};
    GetOutputInfo(*decoder, info);
    return info;
  }
};

TEST_F(DecoderSetup, SubbandLimitTakesTheSmallestOfRateCapAndTable) {
  ASSERT_EQ(InitDecoder(*decoder, layer2_44k, 417, 0, 0, 0, 24000), 1);
  EXPECT_EQ(decoder->AllocSubbands, 54);  // table B.2a: 27 subbands, two channels
  EXPECT_EQ(decoder->SubbandLimit, 54);   // min(35, 31, 27) doubled
  ASSERT_EQ(InitDecoder(*decoder, layer2_48k_384, 1152, 0, 0, 0, 24000), 1);
  EXPECT_EQ(decoder->SubbandLimit, 54);  // min(32, 31, 27)

  // Frequency limits below 1000 Hz count as 1000 Hz: one subband at 44100 Hz.
  ASSERT_EQ(InitDecoder(*decoder, layer2_44k, 417, 0, 0, 0, 999), 1);
  EXPECT_EQ(decoder->SubbandLimit, 2);
  ASSERT_EQ(InitDecoder(*decoder, layer2_44k, 417, 0, 0, 0, 0), 1);
  EXPECT_EQ(decoder->SubbandLimit, 2);
  ASSERT_EQ(InitDecoder(*decoder, layer2_44k, 417, 0, 0, 0, 8000), 1);
  EXPECT_EQ(decoder->SubbandLimit, 24);
}

TEST_F(DecoderSetup, LayerOneKeepsTheTopSubbandOnlyWithTheFullBandOption) {
  ASSERT_EQ(InitDecoder(*decoder, layer1_44k, 416, 0, 0, 0, 24000), 1);
  EXPECT_EQ(decoder->AllocSubbands, 64);
  EXPECT_EQ(decoder->SubbandLimit, 62);  // 31 subbands
  ASSERT_EQ(InitDecoder(*decoder, layer1_44k, 416, 0, 0, kOptionFullBand, 24000), 1);
  EXPECT_EQ(decoder->SubbandLimit, 64);
  ASSERT_EQ(InitDecoder(*decoder, layer2_48k_384, 1152, 0, 0, kOptionFullBand, 24000), 1);
  EXPECT_EQ(decoder->SubbandLimit, 54);  // the allocation table still bounds it
}

TEST_F(DecoderSetup, OutputFormatFollowsChannelSelection) {
  const int32_t expectedChannels[4] = {2, 1, 1, 1};
  for (uint8_t selection = 0; selection < 4; ++selection) {
    ASSERT_EQ(InitDecoder(*decoder, layer2_44k, 417, 0, 0, selection, 24000), 1);
    const MpegOutputInfo info = Info();
    EXPECT_EQ(info.Channels, expectedChannels[selection]);
    EXPECT_EQ(info.SamplesPerFrame, expectedChannels[selection] * 1152);
    EXPECT_EQ(info.SampleRate, 44100);
    EXPECT_EQ(info.BitsPerSample, 16);
    EXPECT_EQ(info.FrameLength, 417);
    EXPECT_EQ(info.Reserved, 0);
    EXPECT_EQ(decoder->BytesPerFrame, 2 * info.SamplesPerFrame);
  }
  const MpegFrameHeader mono = Header({0xFF, 0xFD, 0x80, 0xC0});
  for (uint8_t selection = 0; selection < 4; ++selection) {
    ASSERT_EQ(InitDecoder(*decoder, mono, 417, 0, 0, selection, 24000), 1);
    EXPECT_EQ(Info().Channels, 1);
  }
  ASSERT_EQ(InitDecoder(*decoder, layer1_44k, 416, 0, 0, 0, 24000), 1);
  EXPECT_EQ(Info().SamplesPerFrame, 768);
  EXPECT_EQ(decoder->BytesPerFrame, 1536);
}

TEST_F(DecoderSetup, RefusalsLeaveTheFormerSetUpInPlace) {
  ASSERT_EQ(InitDecoder(*decoder, layer2_44k, 417, 0, 0, 0, 24000), 1);
  const MpegOutputInfo before = Info();
  const FrameDecoderFn frameDecoderBefore = decoder->FrameDecoder;

  // The forbidden bitrate index; the reserved sampling rate.
  EXPECT_EQ(InitDecoder(*decoder, Header({0xFF, 0xFD, 0xF0, 0x00}), 100, 0, 0, 0, 24000), 0);
  EXPECT_EQ(InitDecoder(*decoder, Header({0xFF, 0xFD, 0x8C, 0x00}), 100, 0, 0, 0, 24000), 0);
  // Layers I and II serve 16-bit output at the full rate only.
  EXPECT_EQ(InitDecoder(*decoder, layer2_44k, 417, 0, 0, kOptionEightBit, 24000), 0);
  EXPECT_EQ(InitDecoder(*decoder, layer2_44k, 417, 1, 0, 0, 24000), 0);
  EXPECT_EQ(InitDecoder(*decoder, layer1_44k, 416, 7, 0, 0, 24000), 0);  // clamps to 2
  // MPEG-2.5 has no Layer II; reserved layer; no frame length.
  EXPECT_EQ(InitDecoder(*decoder, Header({0xFF, 0xE5, 0x80, 0x00}), 417, 0, 0, 0, 24000), 0);
  EXPECT_EQ(InitDecoder(*decoder, Header({0xFF, 0xF9, 0x80, 0x00}), 417, 0, 0, 0, 24000), 0);
  EXPECT_EQ(InitDecoder(*decoder, layer2_44k, 0, 0, 0, 0, 24000), 0);

  const MpegOutputInfo after = Info();
  EXPECT_EQ(after.SamplesPerFrame, before.SamplesPerFrame);
  EXPECT_EQ(after.FrameLength, before.FrameLength);
  EXPECT_EQ(decoder->FrameDecoder, frameDecoderBefore);

  // A negative shift counts as 0.
  EXPECT_EQ(InitDecoder(*decoder, layer2_44k, 417, -3, 0, 0, 24000), 1);
}

TEST_F(DecoderSetup, MpegTwoLayerTwoUsesTheLowRateTable) {
  const MpegFrameHeader lsf = Header({0xFF, 0xF5, 0x80, 0x00});  // 22050 Hz, 64 kbit/s
  ASSERT_EQ(InitDecoder(*decoder, lsf, 417, 0, 0, 0, 24000), 1);
  EXPECT_EQ(decoder->AllocSubbands, 60);  // table B.1: 30 subbands
  EXPECT_EQ(Info().SampleRate, 22050);
}

TEST_F(DecoderSetup, DecodeFrameWithoutSetUpOrSyncDecodesNothing) {
  std::vector<uint8_t> frame(1000, 0);
  std::vector<uint8_t> pcm(4608, 0xAA);
  MpegDecodeResult result{7, 7};
  DecodeFrame(*decoder, result, frame.data(), frame.size(), pcm.data());
  EXPECT_EQ(result.BytesConsumed, 0);
  EXPECT_EQ(result.BytesProduced, 0);

  ASSERT_EQ(InitDecoder(*decoder, layer2_44k, 417, 0, 0, 0, 24000), 1);
  frame[0] = 0xFF;
  frame[1] = 0xE3;  // MPEG-2.5 sync never decodes in Layers I and II
  DecodeFrame(*decoder, result, frame.data(), frame.size(), pcm.data());
  EXPECT_EQ(result.BytesConsumed, 0);
  EXPECT_EQ(result.BytesProduced, 0);
  EXPECT_EQ(pcm[0], 0xAA);
}

TEST_F(DecoderSetup, PaddedFramesReportTheirPaddingSlot) {
  std::vector<uint8_t> frame(1000, 0);
  std::vector<uint8_t> pcm(4608);
  MpegDecodeResult result{};
  ASSERT_EQ(InitDecoder(*decoder, layer2_44k, 417, 0, 0, 0, 24000), 1);
  const uint8_t layer2Padded[] = {0xFF, 0xFD, 0x82, 0x00};
  std::copy(layer2Padded, layer2Padded + 4, frame.begin());
  DecodeFrame(*decoder, result, frame.data(), 418, pcm.data());
  EXPECT_EQ(result.BytesConsumed, 418);
  EXPECT_EQ(result.BytesProduced, 4608);

  ASSERT_EQ(InitDecoder(*decoder, layer1_44k, 416, 0, 0, 0, 24000), 1);
  const uint8_t layer1Padded[] = {0xFF, 0xFF, 0x82, 0x00};
  std::copy(layer1Padded, layer1Padded + 4, frame.begin());
  DecodeFrame(*decoder, result, frame.data(), 420, pcm.data());
  EXPECT_EQ(result.BytesConsumed, 420);
  EXPECT_EQ(result.BytesProduced, 1536);
}

TEST_F(DecoderSetup, GlobalInstanceServesTheOperationsWithoutAnInstance) {
  ASSERT_EQ(InitDecoder(layer1_44k, 416, 0, 0, kChannelsLeftOnly, 24000), 1);
  MpegOutputInfo info{};
  GetOutputInfo(info);
  EXPECT_EQ(info.Channels, 1);
  EXPECT_EQ(GlobalDecoder().AllocSubbands, 64);
  SelectCpuVariants(kCpu3DNow);
  EXPECT_EQ(GlobalDecoder().WindowMono, &WindowMono3DNow);
  SelectCpuVariants(0);
  EXPECT_EQ(GlobalDecoder().WindowPair, &WindowBothChannels<WindowStereoX87>);
}

}  // namespace
}  // namespace yumekaze::decoder

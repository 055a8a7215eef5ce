#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "decoder/decoder.h"
#include "decoder/decoder_state.h"
#include "decoder/test_support.h"

namespace yumekaze::decoder {
namespace {

using yumekaze::testing::BitWriter;

std::unique_ptr<DecoderState> DecodeLayer1(const std::vector<uint8_t>& header, const BitWriter& w,
                                           MpegDecodeResult& result) {
  auto decoder = std::make_unique<DecoderState>();
  MpegFrameHeader h{};
  const int32_t length = DecodeFrameHeader(header.data(), 0, h);
  EXPECT_EQ(InitDecoder(*decoder, h, length, 0, 0, kOptionFullBand, 24000), 1);
  std::vector<uint8_t> pcm(4608);
  const auto frame = w.Bytes(static_cast<size_t>(length + 4 * h.Padding));
  DecodeFrame(*decoder, result, frame.data(), frame.size(), pcm.data());
  return decoder;
}

TEST(Layer1Frame, SamplesAreCentredCodesTimesTheirFactor) {
  // Single channel, 44100 Hz, 256 kbit/s, padded. Subband 0: allocation 1 (2-bit codes);
  // subband 1: allocation 14 (15-bit codes).
  const std::vector<uint8_t> header = {0xFF, 0xFF, 0x82, 0xC0};
  BitWriter w;
  for (uint8_t byte : header) w.Put(byte, 8);
  w.Put(1, 4);
  w.Put(14, 4);
  for (int sb = 2; sb < 32; ++sb) w.Put(0, 4);
  w.Put(0, 6);
  w.Put(3, 6);
  const uint32_t small[12] = {0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3};
  const uint32_t large[12] = {16383, 32767, 0, 1, 16383, 32767, 0, 1, 16383, 32767, 0, 1};
  for (int slot = 0; slot < 12; ++slot) {
    w.Put(small[slot], 2);
    w.Put(large[slot], 15);
  }
  MpegDecodeResult result{};
  auto d = DecodeLayer1(header, w, result);
  EXPECT_EQ(result.BytesConsumed, 276 + 4);  // 69 whole slots, then the padding slot
  EXPECT_EQ(result.BytesProduced, 768);
  const float smallFactor = static_cast<float>(2.0 / 3) * 65536.0f;
  const float largeFactor = static_cast<float>(2.0 / 32767) * 32768.0f;
  for (int slot = 0; slot < 12; ++slot) {
    EXPECT_FLOAT_EQ(d->SubbandSamples[64 * slot],
                    (static_cast<float>(small[slot]) - 1) * smallFactor);
    EXPECT_FLOAT_EQ(d->SubbandSamples[64 * slot + 1],
                    (static_cast<float>(large[slot]) - 16383) * largeFactor);
  }
}

TEST(Layer1Frame, JointSubbandsShareSamplesScaledPerChannel) {
  // Joint stereo, extension 3: subbands 16..31 read one allocation and one set of samples.
  const std::vector<uint8_t> header = {0xFF, 0xFF, 0x80, 0x70};
  BitWriter w;
  for (uint8_t byte : header) w.Put(byte, 8);
  for (int sb = 0; sb < 16; ++sb) w.Put(0, 8);
  w.Put(3, 4);  // subband 16, both channels: 4-bit codes
  for (int sb = 17; sb < 32; ++sb) w.Put(0, 4);
  w.Put(0, 6);  // left scale factor
  w.Put(6, 6);  // right: a quarter
  for (int slot = 0; slot < 12; ++slot) w.Put(static_cast<uint32_t>(slot + 2), 4);
  MpegDecodeResult result{};
  auto d = DecodeLayer1(header, w, result);
  const float factor = static_cast<float>(2.0 / 15) * 65536.0f;
  const float rightFactor = static_cast<float>(2.0 / 15) * 16384.0f;
  for (int slot = 0; slot < 12; ++slot) {
    const float value = static_cast<float>(slot + 2 - 7);
    EXPECT_FLOAT_EQ(d->SubbandSamples[64 * slot + 32], value * factor);
    EXPECT_FLOAT_EQ(d->SubbandSamples[64 * slot + 33], value * rightFactor);
  }
}

TEST(Layer1Frame, ForbiddenAllocationSilencesThePairWithoutLosingTheBitPosition) {
  // Single channel. Subband 2 has the forbidden allocation 15: it and subband 3 stay silent and
  // subband 3's own allocation is ignored for the samples; subband 4 still decodes right.
  const std::vector<uint8_t> header = {0xFF, 0xFF, 0x80, 0xC0};
  BitWriter w;
  for (uint8_t byte : header) w.Put(byte, 8);
  w.Put(0, 4);
  w.Put(0, 4);
  w.Put(15, 4);
  w.Put(2, 4);
  w.Put(2, 4);
  for (int sb = 5; sb < 32; ++sb) w.Put(0, 4);
  w.Put(0, 6);                                        // subband 2
  w.Put(0, 6);                                        // subband 3
  w.Put(0, 6);                                        // subband 4
  for (int slot = 0; slot < 12; ++slot) w.Put(6, 3);  // subband 4 only: +3
  MpegDecodeResult result{};
  auto d = DecodeLayer1(header, w, result);
  const float factor = static_cast<float>(2.0 / 7) * 65536.0f;
  for (int slot = 0; slot < 12; ++slot) {
    EXPECT_EQ(d->SubbandSamples[64 * slot + 2], 0.0f);
    EXPECT_EQ(d->SubbandSamples[64 * slot + 3], 0.0f);
    EXPECT_FLOAT_EQ(d->SubbandSamples[64 * slot + 4], 3.0f * factor);
  }
}

}  // namespace
}  // namespace yumekaze::decoder

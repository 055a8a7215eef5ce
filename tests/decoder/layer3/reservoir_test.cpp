// Bit reservoir limits, under-run silence and the LSF granule slot, through whole frames.
#include "decoder/layer3/reservoir.h"

#include <gtest/gtest.h>

#include <memory>

#include "decoder/layer3/layer3.h"
#include "decoder/layer3/layer3_test_support.h"

namespace yumekaze::testing {
namespace {

using decoder::DecoderState;
using decoder::Layer3State;
using decoder::MpegDecodeResult;

std::unique_ptr<DecoderState> SetUpDecoder(const std::vector<uint8_t>& frame, int32_t frameLength,
                                           uint8_t options = decoder::kOptionFullBand) {
  auto state = std::make_unique<DecoderState>();
  const auto header = ParseHeader(frame);
  EXPECT_EQ(decoder::InitDecoder(*state, header, frameLength, 0, 0, options, 24000), 1);
  return state;
}

TEST(Reservoir, CompactsOnlyAboveTheThreshold) {
  for (const int fill : {6692, 6693}) {
    auto state = std::make_unique<Layer3State>();
    for (int i = 0; i < fill; ++i) state->MainDataBuffer[i] = static_cast<uint8_t>(i);
    state->ReservoirFill = fill;
    state->Frame.MainDataBegin = 100;
    const std::vector<uint8_t> data(400, 0xEE);
    ASSERT_TRUE(decoder::AppendMainData(*state, data.data(), 400, 400));
    if (fill == 6692) {
      EXPECT_EQ(state->MainDataStart, 6592);
      EXPECT_EQ(state->ReservoirFill, 7092);
    } else {
      // The last 100 bytes moved to the front, then the frame's 400.
      EXPECT_EQ(state->MainDataStart, 0);
      EXPECT_EQ(state->ReservoirFill, 500);
      EXPECT_EQ(state->MainDataBuffer[0], static_cast<uint8_t>(fill - 100));
      EXPECT_EQ(state->MainDataBuffer[99], static_cast<uint8_t>(fill - 1));
      EXPECT_EQ(state->MainDataBuffer[100], 0xEE);
    }
  }
}

TEST(Reservoir, FrameThatCannotFitIsCompactedFirstThenRefused) {
  auto state = std::make_unique<Layer3State>();
  state->ReservoirFill = 5000;
  state->Frame.MainDataBegin = 200;
  const std::vector<uint8_t> data(8192, 0x11);
  // 5000 + 4000 would pass the buffer: keep the 200 bytes pointed back to, then append.
  ASSERT_TRUE(decoder::AppendMainData(*state, data.data(), 4000, 4000));
  EXPECT_EQ(state->ReservoirFill, 4200);
  EXPECT_EQ(state->MainDataStart, 0);
  // 200 + 8000 can never fit.
  state->ReservoirFill = 300;
  EXPECT_FALSE(decoder::AppendMainData(*state, data.data(), 8000, 8000));
  EXPECT_EQ(state->ReservoirFill, 200);
}

TEST(Reservoir, BytesMissingFromTheInputAreAppendedAsZeros) {
  auto state = std::make_unique<Layer3State>();
  state->MainDataBuffer[10] = 0x77;
  const std::vector<uint8_t> data(4, 0x55);
  ASSERT_TRUE(decoder::AppendMainData(*state, data.data(), 4, 16));
  EXPECT_EQ(state->ReservoirFill, 16);
  EXPECT_EQ(state->MainDataBuffer[3], 0x55);
  EXPECT_EQ(state->MainDataBuffer[10], 0);
}

TEST(Reservoir, MainDataOf8192BytesIsAcceptedAnd8193Refused) {
  FrameHeaderFields fields;
  fields.BitrateIndex = 0;  // free format: the length comes from the set-up
  fields.Mode = 3;
  for (const int mainData : {8192, 8193}) {
    const size_t frameBytes = static_cast<size_t>(mainData) + 4 + 17;
    const auto frame = SilentFrame(fields, 0, frameBytes);
    auto state = SetUpDecoder(frame, static_cast<int32_t>(frameBytes));
    std::vector<uint8_t> out(4608, 0xAA);
    MpegDecodeResult result{};
    decoder::DecodeFrame(*state, result, frame.data(), frame.size(), out.data());
    if (mainData == 8192) {
      EXPECT_EQ(result.BytesConsumed, static_cast<int32_t>(frameBytes));
      EXPECT_EQ(result.BytesProduced, 2304);
      EXPECT_EQ(state->layer3.ReservoirFill, 8192);
    } else {
      EXPECT_EQ(result.BytesConsumed, 0);
      EXPECT_EQ(result.BytesProduced, 0);
    }
  }
}

TEST(Reservoir, UnderRunFramesAreSilentUntilTheReservoirHoldsEnough) {
  FrameHeaderFields fields;
  fields.Mode = 3;  // 128 kbit/s, 44.1 kHz: 417 bytes, 396 of main data
  const auto pointsBack = SilentFrame(fields, 500, 417);
  auto state = SetUpDecoder(pointsBack, 417);
  std::vector<uint8_t> out(4608, 0xAA);
  MpegDecodeResult result{};
  decoder::DecodeFrame(*state, result, pointsBack.data(), pointsBack.size(), out.data());
  EXPECT_EQ(result.BytesConsumed, 417);
  EXPECT_EQ(result.BytesProduced, 2304);
  EXPECT_EQ(state->layer3.MainDataStart, -500);
  for (int i = 0; i < 2304; ++i) ASSERT_EQ(out[i], 0) << i;
  EXPECT_EQ(out[2304], 0xAA);
  EXPECT_EQ(state->layer3.ReservoirFill, 396);
  // 396 + 396 bytes held: a frame pointing 500 back now decodes.
  decoder::DecodeFrame(*state, result, pointsBack.data(), pointsBack.size(), out.data());
  EXPECT_EQ(state->layer3.MainDataStart, -104);
  decoder::DecodeFrame(*state, result, pointsBack.data(), pointsBack.size(), out.data());
  EXPECT_EQ(state->layer3.MainDataStart, 292);
  EXPECT_EQ(result.BytesConsumed, 417);
}

TEST(GranuleSlot, AlternatesPerLsfFrameAndNotOnRefusal) {
  FrameHeaderFields fields;
  fields.VersionId = 0;
  fields.BitrateIndex = 8;  // 64 kbit/s at 22.05 kHz: 208 bytes
  const auto frame = SilentFrame(fields, 0, 208);
  auto state = SetUpDecoder(frame, 208);
  const int32_t start = state->layer3.GranuleSlot;
  std::vector<uint8_t> out(4608);
  MpegDecodeResult result{};
  decoder::DecodeFrame(*state, result, frame.data(), frame.size(), out.data());
  EXPECT_EQ(result.BytesProduced, 2304);  // 576 stereo samples
  EXPECT_EQ(state->layer3.GranuleSlot, start ^ 1);
  decoder::DecodeFrame(*state, result, frame.data(), frame.size(), out.data());
  EXPECT_EQ(state->layer3.GranuleSlot, start);
  // A main-data size below zero: refused, slot unchanged.
  auto tooShort = frame;
  tooShort[2] &= 0x0F;  // free format, with the set-up length
  auto shortState = SetUpDecoder(frame, 10);
  shortState->layer3.GranuleSlot = 1;
  decoder::DecodeFrame(*shortState, result, tooShort.data(), tooShort.size(), out.data());
  EXPECT_EQ(result.BytesConsumed, 0);
  EXPECT_EQ(shortState->layer3.GranuleSlot, 1);
}

TEST(FrameDecoding, WrongSyncDecodesNothing) {
  FrameHeaderFields fields;
  const auto frame = SilentFrame(fields, 0, 417);
  auto state = SetUpDecoder(frame, 417);
  auto broken = frame;
  broken[1] = 0xEB;  // MPEG-2.5 sync on an MPEG-1 stream
  std::vector<uint8_t> out(4608, 0xAA);
  MpegDecodeResult result{1, 1};
  decoder::DecodeFrame(*state, result, broken.data(), broken.size(), out.data());
  EXPECT_EQ(result.BytesConsumed, 0);
  EXPECT_EQ(result.BytesProduced, 0);
  EXPECT_EQ(out[0], 0xAA);
}

}  // namespace
}  // namespace yumekaze::testing

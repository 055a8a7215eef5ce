// Without the full-band option, Layer I and II conformance streams decode exactly as with it
// except in the subband above the cap, which stays silent.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "decoder/decoder.h"
#include "decoder/decoder_state.h"
#include "decoder/test_support.h"

namespace yumekaze::decoder {
namespace {

namespace fs = std::filesystem;
using yumekaze::testing::ReadFileBytes;
using yumekaze::testing::SharedDir;

class SubbandCap : public ::testing::TestWithParam<std::string> {};

TEST_P(SubbandCap, DiffersFromFullBandOnlyAboveTheCappedSubband) {
  const fs::path path = SharedDir() / "conformance" / (GetParam() + ".bit");
  if (!fs::exists(path)) GTEST_SKIP() << "conformance streams not available under " << SharedDir();
  const std::vector<uint8_t> stream = ReadFileBytes(path);

  MpegFrameHeader first{};
  int32_t bitrate = 0;
  uint32_t offset = 0;
  const int32_t length =
      FindFrameHeader(stream.data(), static_cast<uint32_t>(stream.size()), first, bitrate, offset);
  ASSERT_GT(length, 0);
  auto full = std::make_unique<DecoderState>();
  auto capped = std::make_unique<DecoderState>();
  ASSERT_EQ(InitDecoder(*full, first, length, 0, 0, kOptionFullBand, 24000), 1);
  ASSERT_EQ(InitDecoder(*capped, first, length, 0, 0, 0, 24000), 1);
  const int channels = first.Mode == 3 ? 1 : 2;
  const int slots = first.Layer == 3 ? 12 : 36;

  std::vector<uint8_t> pcm(4608);
  size_t at = offset;
  int frames = 0;
  int differingFrames = 0;
  while (at + 4 <= stream.size()) {
    MpegFrameHeader header{};
    const int32_t frameLength = DecodeFrameHeader(&stream[at], 0, header);
    ASSERT_GT(frameLength, 0) << "frame " << frames;
    const size_t size = frameLength + header.Padding * (header.Layer == 3 ? 4 : 1);
    if (at + size > stream.size()) break;
    MpegDecodeResult a{};
    MpegDecodeResult b{};
    DecodeFrame(*full, a, &stream[at], size, pcm.data());
    DecodeFrame(*capped, b, &stream[at], size, pcm.data());
    ASSERT_EQ(a.BytesConsumed, static_cast<int32_t>(size));
    ASSERT_EQ(b.BytesConsumed, a.BytesConsumed);
    bool differs = false;
    for (int s = 0; s < slots; ++s) {
      for (int e = 0; e < 32 * channels; ++e) {
        const float fullValue = full->SubbandSamples[64 * s + e];
        const float cappedValue = capped->SubbandSamples[64 * s + e];
        if (e < 31 * channels) {
          ASSERT_EQ(cappedValue, fullValue)
              << "frame " << frames << " slot " << s << " entry " << e;
        } else {
          ASSERT_EQ(cappedValue, 0.0f);
          differs |= fullValue != 0.0f;
        }
      }
    }
    differingFrames += differs;
    at += size;
    ++frames;
  }
  EXPECT_GT(frames, 10);
  RecordProperty("frames_with_top_subband", differingFrames);
}

INSTANTIATE_TEST_SUITE_P(Layer12Streams, SubbandCap,
                         ::testing::ValuesIn(yumekaze::testing::Layer12StreamNames()),
                         [](const auto& info) {
                           std::string name = info.param;
                           std::replace(name.begin(), name.end(), '-', '_');
                           return name;
                         });

}  // namespace
}  // namespace yumekaze::decoder

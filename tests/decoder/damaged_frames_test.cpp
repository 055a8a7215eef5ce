// Truncated and corrupt frames decode without reading outside their input (a sanitizer build
// turns every stray read into a failure) and cut-off input reads as zeros.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <vector>

#include "decoder/decoder.h"
#include "decoder/decoder_state.h"
#include "decoder/test_support.h"

namespace yumekaze::decoder {
namespace {

// Decodes `size` bytes from a heap block of exactly that size.
MpegDecodeResult DecodeExact(DecoderState& decoder, const uint8_t* bytes, size_t size,
                             std::vector<uint8_t>& pcm) {
  auto exact = std::make_unique<uint8_t[]>(size);
  std::memcpy(exact.get(), bytes, size);
  MpegDecodeResult result{};
  DecodeFrame(decoder, result, exact.get(), size, pcm.data());
  return result;
}

TEST(DamagedFrames, CutOffFramesDecodeAsIfZeroPadded) {
  const auto stream = yumekaze::testing::ReadFileBytes(std::filesystem::path(YUMEKAZE_SOURCE_DIR) /
                                                       "data" / "demo.mp2");
  ASSERT_GT(stream.size(), 2000u);
  MpegFrameHeader header{};
  const int32_t length = DecodeFrameHeader(stream.data(), 0, header);
  ASSERT_EQ(length, 417);
  for (size_t cut : {size_t{4}, size_t{7}, size_t{40}, size_t{200}, size_t{416}}) {
    auto cutDecoder = std::make_unique<DecoderState>();
    auto paddedDecoder = std::make_unique<DecoderState>();
    ASSERT_EQ(InitDecoder(*cutDecoder, header, length, 0, 0, 0, 24000), 1);
    ASSERT_EQ(InitDecoder(*paddedDecoder, header, length, 0, 0, 0, 24000), 1);
    std::vector<uint8_t> padded(stream.begin(), stream.begin() + static_cast<long>(cut));
    padded.resize(417, 0);
    std::vector<uint8_t> cutPcm(4608);
    std::vector<uint8_t> paddedPcm(4608);
    const auto cutResult = DecodeExact(*cutDecoder, stream.data(), cut, cutPcm);
    const auto paddedResult = DecodeExact(*paddedDecoder, padded.data(), padded.size(), paddedPcm);
    EXPECT_EQ(cutResult.BytesConsumed, 417) << cut;
    EXPECT_EQ(cutResult.BytesProduced, paddedResult.BytesProduced);
    EXPECT_EQ(cutPcm, paddedPcm) << "cut at " << cut;
  }
}

TEST(DamagedFrames, RandomFrameContentsStayInsideTheirBuffers) {
  std::mt19937 random(2024);
  std::uniform_int_distribution<int> byte(0, 255);
  std::vector<uint8_t> pcm(4608);
  int decoded = 0;
  for (int round = 0; round < 600; ++round) {
    // Layer I or II, MPEG-1 or MPEG-2, any allowed bitrate, rate, mode and CRC flag.
    const bool layer1 = round % 2;
    const uint8_t b1 = static_cast<uint8_t>(0xF0 | (round % 4 < 2 ? 0x08 : 0) |
                                            (layer1 ? 0x06 : 0x04) | (byte(random) & 1));
    const uint8_t b2 =
        static_cast<uint8_t>(((1 + byte(random) % 14) << 4) | ((byte(random) % 3) << 2));
    const uint8_t b3 = static_cast<uint8_t>(byte(random));
    const uint8_t first[4] = {0xFF, b1, b2, b3};
    MpegFrameHeader header{};
    const int32_t length = DecodeFrameHeader(first, 0, header);
    ASSERT_GT(length, 0);
    auto decoder = std::make_unique<DecoderState>();
    const uint8_t options =
        static_cast<uint8_t>((round % 3 == 0 ? kOptionFullBand : 0) | (round % 4));
    if (!InitDecoder(*decoder, header, length, 0, 0, options, 1000 + byte(random) * 100)) continue;
    SelectCpuVariants(*decoder, round % 5 == 0 ? kCpu3DNow : 0);
    for (int frame = 0; frame < 3; ++frame) {
      // Later frames may claim another mode, padding or CRC; their contents are noise.
      std::vector<uint8_t> bytes(static_cast<size_t>(length) + 4);
      for (uint8_t& b : bytes) b = static_cast<uint8_t>(byte(random));
      bytes[0] = 0xFF;
      bytes[1] = static_cast<uint8_t>((b1 & 0xFE) | (byte(random) & 1));
      bytes[2] = static_cast<uint8_t>((b2 & 0xFD) | (byte(random) & 2));
      const size_t size = 1 + static_cast<size_t>(byte(random) % static_cast<int>(bytes.size()));
      const auto result = DecodeExact(*decoder, bytes.data(), size, pcm);
      if (size < 2) {
        EXPECT_EQ(result.BytesConsumed, 0);
        continue;
      }
      // Each frame is set up from its own header (bytes beyond the input read as 0); a header
      // the set-up refuses is refused, not decoded with another's set-up.
      uint8_t own[4]{};
      std::memcpy(own, bytes.data(), std::min<size_t>(size, 4));
      MpegFrameHeader ownHeader{};
      DecodeFrameHeader(own, 0, ownHeader);
      auto probe = std::make_unique<DecoderState>();
      if (!InitDecoder(*probe, ownHeader, length, 0, 0, options, 24000)) {
        EXPECT_EQ(result.BytesConsumed, 0);
        EXPECT_NE(result.Status, DecodeStatus::kDecoded);
        continue;
      }
      const int padding = ownHeader.Padding;
      EXPECT_EQ(result.BytesConsumed, length + padding * (layer1 ? 4 : 1));
      EXPECT_EQ(result.BytesProduced, decoder->BytesPerFrame);
      ++decoded;
    }
  }
  EXPECT_GT(decoded, 500);
}

// A frame that gives no samples, or silence in place of them, says why.
TEST(DamagedFrames, RefusedFramesSayWhy) {
  std::vector<uint8_t> pcm(4608);
  const auto layer2 = yumekaze::testing::ReadFileBytes(std::filesystem::path(YUMEKAZE_SOURCE_DIR) /
                                                       "data" / "demo.mp2");
  ASSERT_GT(layer2.size(), 2000u);
  auto decoder = std::make_unique<DecoderState>();
  EXPECT_EQ(DecodeExact(*decoder, layer2.data(), 1000, pcm).Status, DecodeStatus::kUnsupported);
  MpegFrameHeader header{};
  const int32_t length = DecodeFrameHeader(layer2.data(), 0, header);
  ASSERT_EQ(InitDecoder(*decoder, header, length, 0, 0, 0, 24000), 1);
  EXPECT_EQ(DecodeExact(*decoder, layer2.data(), 1000, pcm).Status, DecodeStatus::kDecoded);
  std::vector<uint8_t> broken(layer2.begin(), layer2.begin() + 1000);
  broken[1] = 0x0F;
  EXPECT_EQ(DecodeExact(*decoder, broken.data(), broken.size(), pcm).Status,
            DecodeStatus::kCorruptHeader);
  // A Layer III frame to the Layer II set-up.
  broken[1] = 0xFB;
  const auto other = DecodeExact(*decoder, broken.data(), broken.size(), pcm);
  EXPECT_EQ(other.BytesConsumed, 0);
  EXPECT_EQ(other.Status, DecodeStatus::kUnsupported);

  // Layer III: a frame whose main data began in an earlier frame plays as silence, and says so.
  if (std::system("command -v lame sox > /dev/null 2>&1") != 0) GTEST_SKIP() << "no lame or sox";
  const auto dir =
      std::filesystem::temp_directory_path() / ("yumekaze-refusals-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string wav = (dir / "s.wav").string();
  const std::string mp3 = (dir / "s.mp3").string();
  ASSERT_EQ(std::system(("sox -n -r 44100 -c 2 '" + wav + "' synth 1 pinknoise vol 0.5 && " +
                         "lame --quiet -t -b 128 '" + wav + "' '" + mp3 + "'")
                            .c_str()),
            0);
  const auto layer3 = yumekaze::testing::ReadFileBytes(mp3);
  std::filesystem::remove_all(dir);
  int missing = 0;
  size_t offset = 0;
  for (int frame = 0; frame < 20 && offset + 4 < layer3.size(); ++frame) {
    const int32_t size = DecodeFrameHeader(layer3.data() + offset, 0, header) + header.Padding;
    ASSERT_GT(size, 0);
    auto fresh = std::make_unique<DecoderState>();
    ASSERT_EQ(InitDecoder(*fresh, header, size - header.Padding, 0, 0, 0, 24000), 1);
    const auto result = DecodeExact(*fresh, layer3.data() + offset, static_cast<size_t>(size), pcm);
    EXPECT_EQ(result.BytesConsumed, size);
    if (result.Status == DecodeStatus::kReservoirMissing) ++missing;
    offset += static_cast<size_t>(size);
  }
  EXPECT_GT(missing, 10);
}

}  // namespace
}  // namespace yumekaze::decoder

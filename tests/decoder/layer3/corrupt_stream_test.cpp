// Corrupt and truncated Layer III data decodes to some PCM without reading or writing outside any
// buffer (the sanitizer build checks the "outside" part) and without refusing valid framing.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <random>

#include "decoder/layer3/layer3_test_support.h"

namespace yumekaze::testing {
namespace {

using decoder::DecoderState;
using decoder::MpegDecodeResult;

TEST(CorruptLayer3, ExtremeSideInformationOverGarbageMainData) {
  for (const bool lsf : {false, true}) {
    FrameHeaderFields fields;
    fields.VersionId = lsf ? 0 : 1;
    fields.Mode = 1;
    fields.ModeExtension = 3;  // mid/side and intensity
    BitWriter writer;
    PutHeader(writer, fields);
    writer.Put(lsf ? 255 : 511, lsf ? 8 : 9);
    writer.Put(0xFF, lsf ? 2 : 3 + 8);
    GranuleFields g;
    g.Part23Length = 4095;
    g.BigValues = 511;
    g.GlobalGain = 255;
    g.ScalefacCompress = lsf ? 511 : 15;
    g.TableSelect[0] = 31;
    g.TableSelect[1] = 13;
    g.TableSelect[2] = 24;
    g.Region0Count = 15;  // 15 + 7 + 1 reaches past the band table
    g.Region1Count = 7;
    for (int i = 0; i < (lsf ? 2 : 4); ++i) PutGranule(writer, g, lsf);
    auto frame = writer.Bytes(lsf ? 261 : 417);  // 80 or 128 kbit/s
    std::mt19937 random(7);
    for (size_t i = writer.BitCount() / 8 + 1; i < frame.size(); ++i) {
      frame[i] = static_cast<uint8_t>(random());
    }
    auto state = std::make_unique<DecoderState>();
    ASSERT_EQ(decoder::InitDecoder(*state, ParseHeader(frame), static_cast<int32_t>(frame.size()),
                                   0, 0, 0, 24000),
              1);
    std::vector<uint8_t> out(4608);
    for (int repeat = 0; repeat < 30; ++repeat) {
      MpegDecodeResult result{};
      decoder::DecodeFrame(*state, result, frame.data(), frame.size(), out.data());
      EXPECT_EQ(result.BytesConsumed, static_cast<int32_t>(frame.size()));
      EXPECT_LE(state->layer3.ReservoirFill, decoder::kMainDataBufferSize);
    }
  }
}

TEST(CorruptLayer3, TruncatedFramesReadZerosPastTheInput) {
  FrameHeaderFields fields;
  const auto frame = SilentFrame(fields, 0, 417);
  auto state = std::make_unique<DecoderState>();
  ASSERT_EQ(decoder::InitDecoder(*state, ParseHeader(frame), 417, 0, 0, 0, 24000), 1);
  std::vector<uint8_t> out(4608, 0xAA);
  for (const size_t size : {size_t{0}, size_t{2}, size_t{5}, size_t{30}, size_t{100}}) {
    MpegDecodeResult result{};
    decoder::DecodeFrame(*state, result, frame.data(), size, out.data());
    if (size < 2) {
      EXPECT_EQ(result.BytesConsumed, 0);
    } else {
      EXPECT_EQ(result.BytesConsumed, 417);
    }
  }
}

TEST(CorruptLayer3, MutatedConformanceStreamsInEveryOutputForm) {
  const std::vector<std::string> names = {"l3-compl", "l3-si_block", "M2L3_bitrate_22_all",
                                          "l3-si"};
  std::mt19937 random(2024);
  int decoded = 0;
  for (const auto& name : names) {
    const auto path = SharedDir() / "conformance" / (name + ".bit");
    if (!std::filesystem::exists(path)) continue;
    const auto original = ReadFileBytes(path);
    for (const uint8_t options :
         {uint8_t{0}, uint8_t{decoder::kOptionFullBand | decoder::kChannelsMixToMono},
          uint8_t{decoder::kChannelsRightOnly}, uint8_t{decoder::kChannelsLeftOnly}}) {
      auto bytes = original;
      // Keep the first frames intact so that the stream sets up; damage the rest.
      for (size_t i = 0; i < bytes.size() / 50; ++i) {
        const size_t at = 2048 + random() % (bytes.size() - 2048);
        bytes[at] = static_cast<uint8_t>(random());
      }
      bytes.resize(bytes.size() - random() % 300);
      const auto pcm = DecodeLayer3Stream(bytes, options);
      EXPECT_GT(pcm.size(), 0u) << name << " options " << int(options);
      ++decoded;
    }
  }
  if (decoded == 0) GTEST_SKIP() << "no conformance streams in " << SharedDir();
}

}  // namespace
}  // namespace yumekaze::testing

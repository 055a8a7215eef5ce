// The Layer III conformance streams of the shared folder decode to full accuracy (ISO/IEC
// 11172-4) with the full bandwidth option.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "decoder/layer3/layer3_test_support.h"

namespace yumekaze::testing {
namespace {

class Layer3Conformance : public ::testing::TestWithParam<std::string> {};

TEST_P(Layer3Conformance, DecodesToFullAccuracy) {
  const std::filesystem::path base = SharedDir() / "conformance" / GetParam();
  const auto bitstream = base.string() + ".bit";
  if (!std::filesystem::exists(bitstream)) {
    GTEST_SKIP() << "conformance stream not found: " << bitstream;
  }
  const auto reference = ReadFileBytes(base.string() + ".pcm");
  const auto pcm = DecodeLayer3Stream(ReadFileBytes(bitstream), decoder::kOptionFullBand);
  // The references lack the stream's last frame.
  ASSERT_GE(pcm.size(), reference.size());
  const PcmDifference difference = ComparePcm(reference, pcm);
  EXPECT_TRUE(difference.FullAccuracy())
      << "rms " << difference.rms << " LSB, max " << difference.max << " LSB over "
      << difference.compared << " samples";
}

INSTANTIATE_TEST_SUITE_P(Streams, Layer3Conformance,
                         ::testing::Values("l3-compl", "l3-he_32khz", "l3-he_44khz", "l3-he_free",
                                           "l3-hecommon", "l3-si", "l3-si_block",
                                           "M2L3_bitrate_22_all"),
                         [](const auto& info) {
                           std::string name = info.param;
                           for (char& c : name) {
                             if (c == '-') c = '_';
                           }
                           return name;
                         });

}  // namespace
}  // namespace yumekaze::testing

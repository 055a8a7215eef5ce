// Every Layer I and II conformance stream through the decode command as it decodes by default,
// at full accuracy.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "decoder/test_support.h"

namespace yumekaze::cli {
namespace {

namespace fs = std::filesystem;
using yumekaze::testing::ComparePcm;
using yumekaze::testing::ReadFileBytes;
using yumekaze::testing::SharedDir;

class DecodeConformance : public ::testing::TestWithParam<std::string> {};

TEST_P(DecodeConformance, DefaultDecodeHasFullAccuracy) {
  const fs::path stream = SharedDir() / "conformance" / (GetParam() + ".bit");
  const fs::path reference = SharedDir() / "conformance" / (GetParam() + ".pcm");
  if (!fs::exists(stream) || !fs::exists(reference)) {
    GTEST_SKIP() << "conformance streams not available under " << SharedDir();
  }
  const fs::path output = fs::temp_directory_path() / ("yumekaze-conformance-" + GetParam() + "-" +
                                                       std::to_string(::getpid()) + ".pcm");
  const std::string command =
      std::string(YUMEKAZE_CLI) + " decode '" + stream.string() + "' -o '" + output.string() + "'";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  const auto difference = ComparePcm(ReadFileBytes(reference), ReadFileBytes(output));
  fs::remove(output);
  EXPECT_TRUE(difference.FullAccuracy())
      << "rms " << difference.rms << " LSB, max " << difference.max << " LSB over "
      << difference.compared << " samples";
  // The references are zero-padded; the decode must cover all but their padding.
  EXPECT_GT(difference.compared, ReadFileBytes(reference).size() / 2 / 2);
}

INSTANTIATE_TEST_SUITE_P(Layer12Streams, DecodeConformance,
                         ::testing::ValuesIn(yumekaze::testing::Layer12StreamNames()),
                         [](const auto& info) {
                           std::string name = info.param;
                           std::replace(name.begin(), name.end(), '-', '_');
                           return name;
                         });

}  // namespace
}  // namespace yumekaze::cli

#include "decoder/tables/tables.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "decoder/test_support.h"

namespace yumekaze::decoder {
namespace {

namespace fs = std::filesystem;
using Row = std::vector<int>;

Row ClassRow(const Layer2AllocTable& table, int group) {
  return Row(table.GroupClasses[group], table.GroupClasses[group] + 16);
}

TEST(Layer2AllocTables, AgreeWithTheGroupSizesAndClassRowsOfTheDecoderDesign) {
  const Row zeros(16, 0);
  const Row wideB2ab = {0, 1, 3, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17};
  const Row midB2ab = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 17};
  const Row threeBitB2ab = {0, 1, 2, 3, 4, 5, 6, 17, 0, 0, 0, 0, 0, 0, 0, 0};
  const Row twoBitB2ab = {0, 1, 2, 17, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  const Row wideB2cd = {0, 1, 2, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  const Row threeBitLow = {0, 1, 2, 4, 5, 6, 7, 8, 0, 0, 0, 0, 0, 0, 0, 0};
  const Row wideB1 = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
  const Row twoBitB1 = {0, 1, 2, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  struct Expected {
    std::vector<int> sizes;
    std::vector<Row> rows;
  };
  const Expected expected[5] = {
      {{3, 8, 12, 4}, {wideB2ab, midB2ab, threeBitB2ab, twoBitB2ab}},
      {{3, 8, 12, 7}, {wideB2ab, midB2ab, threeBitB2ab, twoBitB2ab}},
      {{2, 0, 6, 0}, {wideB2cd, zeros, threeBitLow, zeros}},
      {{2, 0, 10, 0}, {wideB2cd, zeros, threeBitLow, zeros}},
      {{4, 0, 7, 19}, {wideB1, zeros, threeBitLow, twoBitB1}},
  };
  for (int t = 0; t < 5; ++t) {
    const Layer2AllocTable& table = Layer2AllocTables[t];
    EXPECT_EQ(std::vector<int>(table.GroupSizes, table.GroupSizes + 4), expected[t].sizes)
        << "table " << t;
    for (int g = 0; g < 4; ++g) {
      EXPECT_EQ(ClassRow(table, g), expected[t].rows[g]) << "table " << t << " group " << g;
    }
  }
}

TEST(SynthWindowTable, OpensWithTheFirstRowOfTheWindow) {
  const std::vector<float> first(SynthWindow, SynthWindow + 10);
  const std::vector<float> expected = {0.0f,         -0.000442505f, 0.003250122f, -0.007003784f,
                                       0.031082153f, -0.078628540f, 0.100311279f, -0.572036743f,
                                       1.144989014f, 0.572036743f};
  EXPECT_EQ(first, expected);
}

TEST(GeneratedTables, CommittedCopiesMatchTheGenerator) {
  const fs::path iso = yumekaze::testing::SharedDir() / "iso-data";
  if (!fs::exists(iso / "dewindow")) GTEST_SKIP() << "standard tables not available under " << iso;
  if (std::system("python3 --version > /dev/null 2>&1") != 0) GTEST_SKIP() << "python3 missing";
  const fs::path source = YUMEKAZE_SOURCE_DIR;
  const fs::path out =
      fs::temp_directory_path() / ("yumekaze-gen-tables-" + std::to_string(::getpid()));
  fs::remove_all(out);
  const std::string command = "python3 '" + (source / "tools" / "gen_tables.py").string() +
                              "' --iso-data '" + iso.string() + "' --output '" + out.string() + "'";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  int compared = 0;
  for (const auto& generated : fs::directory_iterator(out)) {
    const fs::path committed = source / "src" / "decoder" / "tables" / generated.path().filename();
    EXPECT_EQ(yumekaze::testing::ReadFileBytes(generated.path()),
              yumekaze::testing::ReadFileBytes(committed))
        << committed << " is stale: rerun tools/gen_tables.py";
    ++compared;
  }
  fs::remove_all(out);
  EXPECT_EQ(compared, 2);
}

}  // namespace
}  // namespace yumekaze::decoder

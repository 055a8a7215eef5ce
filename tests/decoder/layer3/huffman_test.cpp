// Huffman decoding against the code tables of the standard, and the committed generated tables
// against their generator.
#include "decoder/layer3/huffman.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "decoder/layer3/tables/huffman_tables.h"
#include "decoder/test_support.h"

namespace yumekaze::testing {
namespace {

using decoder::DecodePairs;
using decoder::DecodeQuads;
using decoder::L3BitReader;

struct Code {
  int x;
  int y;
  std::string bits;
};

// Tables of the shared huffcode file: table number -> codes (count-1 tables: x = value).
std::vector<std::vector<Code>> ReadHuffcode(const std::filesystem::path& path) {
  std::vector<std::vector<Code>> tables(34);
  std::ifstream in(path);
  std::string line;
  int current = -1;
  while (std::getline(in, line)) {
    line = line.substr(0, line.find('#'));
    std::istringstream fields(line);
    std::string first;
    if (!(fields >> first)) continue;
    if (first == ".table") {
      fields >> current;
    } else if (first == ".reference" || first == ".end") {
      current = -1;
    } else if (current >= 0) {
      std::vector<std::string> rest{first};
      std::string field;
      while (fields >> field) rest.push_back(field);
      if (rest.size() == 4) {
        tables[current].push_back({std::stoi(rest[0]), std::stoi(rest[1]), rest[3]});
      } else if (rest.size() == 3) {
        tables[current].push_back({std::stoi(rest[0]), 0, rest[2]});
      }
    }
  }
  return tables;
}

void PutBits(BitWriter& writer, const std::string& bits) {
  for (char bit : bits) writer.Put(bit == '1' ? 1 : 0, 1);
}

L3BitReader ReaderOver(const std::vector<uint8_t>& bytes, int32_t endPos) {
  L3BitReader reader;
  decoder::StartReader(reader, bytes.data(), static_cast<int32_t>(bytes.size()), 0);
  decoder::SetEnd(reader, endPos);
  return reader;
}

class HuffmanCodes : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto path = SharedDir() / "iso-data" / "huffcode";
    if (!std::filesystem::exists(path)) GTEST_SKIP() << "Huffman code data not found: " << path;
    tables_ = ReadHuffcode(path);
  }
  std::vector<std::vector<Code>> tables_;
};

TEST_F(HuffmanCodes, EveryPairCodeOfEveryTableDecodesWithLinbitsAndSigns) {
  for (int table = 1; table < 32; ++table) {
    if (table == 4 || table == 14) continue;
    const int source = table >= 24 ? 24 : (table >= 16 ? 16 : table);
    const int linbits = decoder::kHuffmanTableInfo[table].Linbits;
    ASSERT_FALSE(tables_[source].empty()) << "table " << source;
    for (const Code& code : tables_[source]) {
      // x negative, y positive; escape values carry the largest linbits value.
      BitWriter writer;
      PutBits(writer, code.bits);
      int expectX = code.x;
      int expectY = code.y;
      if (linbits && code.x == 15) {
        writer.Put((1u << linbits) - 1, linbits);
        expectX += (1 << linbits) - 1;
      }
      if (code.x != 0) writer.Put(1, 1);
      if (linbits && code.y == 15) {
        writer.Put((1u << linbits) - 1, linbits);
        expectY += (1 << linbits) - 1;
      }
      if (code.y != 0) writer.Put(0, 1);
      const size_t used = writer.BitCount();
      const auto bytes = writer.Bytes(64);
      L3BitReader reader = ReaderOver(bytes, 64);
      int32_t pair[2] = {99, 99};
      int32_t* end = DecodePairs(reader, pair, 2, table);
      ASSERT_EQ(end, pair + 2);
      EXPECT_EQ(pair[0], -expectX) << "table " << table << " code " << code.bits;
      EXPECT_EQ(pair[1], expectY) << "table " << table << " code " << code.bits;
      EXPECT_EQ(decoder::BitsRead(reader), static_cast<int32_t>(used))
          << "table " << table << " code " << code.bits;
    }
  }
}

TEST_F(HuffmanCodes, EveryCount1CodeDecodesInBothTables) {
  for (int select = 0; select < 2; ++select) {
    for (const Code& code : tables_[32 + select]) {
      BitWriter writer;
      PutBits(writer, code.bits);
      int nonzero = 0;
      for (int i = 0; i < 4; ++i) {
        if ((code.x >> (3 - i)) & 1) {
          writer.Put(1, 1);  // every value negative
          ++nonzero;
        }
      }
      const auto bytes = writer.Bytes(64);
      L3BitReader reader = ReaderOver(bytes, 64);
      int32_t quad[4] = {9, 9, 9, 9};
      const int32_t budget = static_cast<int32_t>(writer.BitCount());
      const int32_t lines = DecodeQuads(reader, quad, 4, budget, select);
      for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(quad[i], ((code.x >> (3 - i)) & 1) ? -1 : 0) << "value " << code.x;
      }
      const int expectLines = code.x == 0 ? 0 : ((code.x & 3) ? 4 : 2);
      EXPECT_EQ(lines, expectLines) << "value " << code.x;
      EXPECT_EQ(decoder::BitsRead(reader), budget) << "value " << code.x;
    }
  }
}

TEST(HuffmanDecoding, ZeroTablesYieldZerosAndReadNothing) {
  const std::vector<uint8_t> bytes(16, 0xFF);
  for (int table : {0, 4, 14}) {
    L3BitReader reader = ReaderOver(bytes, 16);
    int32_t lines[6] = {7, 7, 7, 7, 7, 7};
    EXPECT_EQ(DecodePairs(reader, lines, 6, table), lines + 6);
    for (int32_t value : lines) EXPECT_EQ(value, 0);
    EXPECT_EQ(decoder::BitsRead(reader), 0);
  }
}

TEST(HuffmanDecoding, Table16WithOneLinbitTurnsFifteenIntoSixteen) {
  BitWriter writer;
  writer.Put(0b000001100, 9);  // ISO table 16: x 15, y 0
  writer.Put(1, 1);            // linbits: +1
  writer.Put(0, 1);            // sign: positive
  const auto bytes = writer.Bytes(16);
  L3BitReader reader = ReaderOver(bytes, 16);
  int32_t pair[2];
  DecodePairs(reader, pair, 2, 16);
  EXPECT_EQ(pair[0], 16);
  EXPECT_EQ(pair[1], 0);
  EXPECT_EQ(decoder::BitsRead(reader), 11);
}

TEST(HuffmanDecoding, Count1QuadruplePastTheBudgetIsDropped) {
  // Table B: three quadruples of value 0b0001 (y = 1), each 4 code bits and a sign bit.
  BitWriter writer;
  for (int i = 0; i < 3; ++i) {
    writer.Put(0b1110, 4);
    writer.Put(0, 1);
  }
  const auto bytes = writer.Bytes(32);
  L3BitReader reader = ReaderOver(bytes, 32);
  int32_t quads[12];
  // 14 bits: the third quadruple (bits 10..14) runs one bit past the budget.
  EXPECT_EQ(DecodeQuads(reader, quads, 12, 14, 1), 12);
  EXPECT_EQ(quads[3], 1);
  EXPECT_EQ(quads[7], 1);
  EXPECT_EQ(quads[11], 0);
}

TEST(HuffmanDecoding, LastNonzeroQuadrupleWithOnlyVOrWCountsHalf) {
  BitWriter writer;
  writer.Put(0b0111, 4);  // table B: value 0b1000 (v = 1)
  writer.Put(0, 1);
  writer.Put(0b1111, 4);  // value 0
  const auto bytes = writer.Bytes(32);
  L3BitReader reader = ReaderOver(bytes, 32);
  int32_t quads[8];
  EXPECT_EQ(DecodeQuads(reader, quads, 8, 9, 1), 2);
  EXPECT_EQ(quads[0], 1);
}

TEST(HuffmanDecoding, StopsAtTheEndOfTheChannelData) {
  const std::vector<uint8_t> bytes(64, 0x00);  // table 1: "000" is (1, 1), then two sign bits
  L3BitReader reader = ReaderOver(bytes, 4);
  std::vector<int32_t> lines(576, 0);
  int32_t* end = DecodePairs(reader, lines.data(), 576, 1);
  EXPECT_LT(end, lines.data() + 576);
  EXPECT_TRUE(decoder::ReadPastEnd(reader));
}

// The decoders the granule driver runs against the reference forms on random bits: every table,
// region lengths, start bits, channel ends before and after the data, budgets of both count-1
// tables. Values, returns and the whole reader state must agree.
void ExpectSameReader(const L3BitReader& fast, const L3BitReader& reference) {
  EXPECT_EQ(fast.ReadPos, reference.ReadPos);
  EXPECT_EQ(fast.ValidBits, reference.ValidBits);
  EXPECT_EQ(fast.Accumulator, reference.Accumulator);
}

TEST(HuffmanDecoding, FastFormsMatchTheReferenceOnRandomBits) {
  std::mt19937 random(20261207);
  std::vector<uint8_t> bytes(700);
  for (int trial = 0; trial < 4000; ++trial) {
    // Mostly random bytes; some trials bias towards zeros and ones to reach long codes/linbits.
    const int bias = trial % 3;
    for (uint8_t& byte : bytes) {
      const uint32_t r = random();
      byte = static_cast<uint8_t>(bias == 0 ? r : bias == 1 ? (r & (r >> 8)) : (r | (r >> 8)));
    }
    const int32_t dataSize = static_cast<int32_t>(random() % bytes.size());
    const int32_t start = static_cast<int32_t>(random() % 8);
    const int32_t endPos = static_cast<int32_t>(random() % 720);
    const int32_t skip = static_cast<int32_t>(random() % 8);
    L3BitReader fast;
    decoder::StartReader(fast, bytes.data(), dataSize, start);
    decoder::SetEnd(fast, endPos);
    decoder::GetBits(fast, skip);
    L3BitReader reference = fast;
    int32_t fastLines[576 + 4] = {};
    int32_t referenceLines[576 + 4] = {};
    const int32_t table = static_cast<int32_t>(random() % 32);
    const int32_t lines = static_cast<int32_t>(random() % 577);
    const int32_t* fastEnd = DecodePairs(fast, fastLines, lines, table);
    const int32_t* referenceEnd =
        decoder::DecodePairsReference(reference, referenceLines, lines, table);
    ASSERT_EQ(fastEnd - fastLines, referenceEnd - referenceLines) << "trial " << trial;
    ExpectSameReader(fast, reference);
    const int32_t budget = static_cast<int32_t>(random() % 1200) - 20;
    const int32_t select = static_cast<int32_t>(random() % 2);
    const int32_t quadLines = static_cast<int32_t>(random() % 577);
    EXPECT_EQ(
        DecodeQuads(fast, fastLines + 2, quadLines, budget, select),
        decoder::DecodeQuadsReference(reference, referenceLines + 2, quadLines, budget, select));
    ExpectSameReader(fast, reference);
    for (int i = 0; i < 580; ++i) ASSERT_EQ(fastLines[i], referenceLines[i]) << "line " << i;
  }
}

TEST(GeneratedTables, MatchTheirGenerator) {
  const std::filesystem::path source = YUMEKAZE_SOURCE_DIR;
  const auto isoData = SharedDir() / "iso-data";
  if (!std::filesystem::exists(isoData / "huffcode")) GTEST_SKIP() << "no " << isoData;
  if (std::system("python3 --version > /dev/null 2>&1") != 0) GTEST_SKIP() << "no python3";
  const auto out =
      std::filesystem::temp_directory_path() /
      ("yumekaze-tables-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
  std::filesystem::create_directories(out);
  const std::string command = "python3 '" + (source / "tools" / "gen_huffman_tables.py").string() +
                              "' '" + isoData.string() + "' '" + out.string() + "'";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  for (const char* name :
       {"huffman_tables.h", "huffman_tables.cpp", "scalefactor_bands.h", "scalefactor_bands.cpp"}) {
    const auto committed = ReadFileBytes(source / "src" / "decoder" / "layer3" / "tables" / name);
    const auto generated = ReadFileBytes(out / name);
    EXPECT_EQ(committed, generated) << name << " is stale: rerun tools/gen_huffman_tables.py";
  }
  std::filesystem::remove_all(out);
}

}  // namespace
}  // namespace yumekaze::testing

#include "decoder/bit_reader.h"

#include <gtest/gtest.h>

#include <memory>

namespace yumekaze::decoder {
namespace {

TEST(BitReader, ReadsMostSignificantBitFirstAcrossBytes) {
  const uint8_t bytes[] = {0xA5, 0x3C, 0xFF, 0x01, 0x80};
  BitReader reader;
  StartBits(reader, bytes, sizeof bytes);
  EXPECT_EQ(ReadBits(reader, 0), 0u);
  EXPECT_EQ(ReadBits(reader, 1), 1u);
  EXPECT_EQ(ReadBits(reader, 3), 0x2u);
  EXPECT_EQ(ReadBits(reader, 8), 0x53u);
  EXPECT_EQ(ReadBits(reader, 12), 0xCFFu);
  EXPECT_EQ(ReadBits(reader, 16), 0x0180u);
}

TEST(BitReader, SkipsWithinHeldBitsAndAcrossWholeBytes) {
  const uint8_t bytes[] = {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0};
  BitReader reader;
  StartBits(reader, bytes, sizeof bytes);
  EXPECT_EQ(ReadBits(reader, 4), 0x1u);
  SkipBits(reader, 4);  // held bits only
  EXPECT_EQ(ReadBits(reader, 8), 0x34u);
  SkipBits(reader, 20);  // beyond what is held: reloads at the right byte
  EXPECT_EQ(ReadBits(reader, 8), 0xABu);
  SkipBits(reader, 0);
  EXPECT_EQ(ReadBits(reader, 12), 0xCDEu);
}

TEST(BitReader, ReadsZerosPastTheInputWithoutTouchingIt) {
  // Heap buffer of exactly three bytes: a sanitizer build reports any fetch beyond it.
  auto bytes = std::make_unique<uint8_t[]>(3);
  bytes[0] = 0xFF;
  bytes[1] = 0xFF;
  bytes[2] = 0xFF;
  BitReader reader;
  StartBits(reader, bytes.get(), 3);
  EXPECT_EQ(ReadBits(reader, 16), 0xFFFFu);
  EXPECT_EQ(ReadBits(reader, 16), 0xFF00u);
  SkipBits(reader, 100000);
  EXPECT_EQ(ReadBits(reader, 24), 0u);
}

}  // namespace
}  // namespace yumekaze::decoder

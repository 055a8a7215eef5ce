#include "decoder/frame_header.h"

#include <gtest/gtest.h>

#include <vector>

#include "decoder/decoder.h"

namespace yumekaze::decoder {
namespace {

int32_t LengthOf(std::vector<uint8_t> bytes, MpegFrameHeader& header, uint32_t length = 0) {
  return DecodeFrameHeader(bytes.data(), length, header);
}

TEST(FrameHeader, LengthsOfEveryLayerAndVersion) {
  MpegFrameHeader h{};
  int32_t bitrate = 0;
  const uint8_t layer3[] = {0xFF, 0xFB, 0x90, 0x64};
  EXPECT_EQ(DecodeHeaderAndBitrate(layer3, 0, h, bitrate), 417);
  EXPECT_EQ(bitrate, 128000);
  EXPECT_EQ(h.SyncKind, 1);
  EXPECT_EQ(h.VersionId, 1);
  EXPECT_EQ(h.Layer, 1);
  EXPECT_EQ(h.Mode, 1);
  EXPECT_EQ(h.ModeExtension, 2);
  EXPECT_EQ(h.HomeFlag, 1);

  // The padding slot is never part of the length.
  EXPECT_EQ(LengthOf({0xFF, 0xFB, 0x92, 0x64}, h), 417);
  EXPECT_EQ(h.Padding, 1);

  EXPECT_EQ(LengthOf({0xFF, 0xFD, 0x84, 0x00}, h), 384);  // Layer II 128k 48 kHz
  EXPECT_EQ(LengthOf({0xFF, 0xFF, 0x10, 0x00}, h), 32);   // Layer I: whole 4-byte slots
  EXPECT_EQ(LengthOf({0xFF, 0xF3, 0x90, 0x64}, h), 261);  // MPEG-2 Layer III 22050 Hz
  EXPECT_EQ(LengthOf({0xFF, 0xE3, 0x90, 0x64}, h), 522);  // MPEG-2.5 Layer III 11025 Hz
  EXPECT_EQ(h.SyncKind, 2);
  EXPECT_EQ(h.VersionId, 0);
}

TEST(FrameHeader, OddSyncAndRejectedFields) {
  MpegFrameHeader h{};
  // High nibble 0xE with the version bit set reads as MPEG-2.5 sync computed as MPEG-1.
  EXPECT_EQ(LengthOf({0xFF, 0xEB, 0x90, 0x64}, h), 417);
  EXPECT_EQ(h.SyncKind, 2);
  EXPECT_EQ(h.VersionId, 1);

  EXPECT_LT(LengthOf({0xFF, 0xFB, 0x9C, 0x64}, h), 0);  // reserved sampling frequency
  EXPECT_EQ(LengthOf({0xFF, 0xFB, 0xF0, 0x64}, h), 0);  // bitrate index 15

  h = MpegFrameHeader{};
  EXPECT_EQ(LengthOf({0xFF, 0xF9, 0x94, 0xC0}, h), 0);  // reserved layer, fields still filled
  EXPECT_EQ(h.SyncKind, 1);
  EXPECT_EQ(h.Layer, 0);
  EXPECT_EQ(h.BitrateIndex, 9);
  EXPECT_EQ(h.SampleRateIndex, 1);
  EXPECT_EQ(h.Mode, 3);

  EXPECT_EQ(LengthOf({0xFE, 0xFB, 0x90, 0x64}, h), 0);
  EXPECT_EQ(h.SyncKind, 0);
  EXPECT_EQ(LengthOf({0xFF, 0xDB, 0x90, 0x64}, h), 0);
  EXPECT_EQ(h.SyncKind, 0);
}

// Free-format stream: unpadded frames of `frame` bytes, headers FF FD 04 00 (Layer II, 48 kHz).
std::vector<uint8_t> FreeFormatStream(size_t size, size_t frame) {
  std::vector<uint8_t> bytes(size, 0x11);
  for (size_t at = 0; at + 4 <= size; at += frame) {
    bytes[at] = 0xFF;
    bytes[at + 1] = 0xFD;
    bytes[at + 2] = 0x04;
    bytes[at + 3] = 0x00;
  }
  return bytes;
}

TEST(FreeFormat, MeasuresTheDistanceToRepeatedHeaders) {
  MpegFrameHeader h{};
  int32_t bitrate = 0;
  auto stream = FreeFormatStream(2000, 500);
  EXPECT_EQ(DecodeHeaderAndBitrate(stream.data(), 2000, h, bitrate), 500);
  EXPECT_EQ(bitrate, 500 * 960 * 1000 / 2880);  // 160 kbit/s at 48 kHz

  // Too few bytes to measure anything.
  EXPECT_EQ(DecodeFrameHeader(stream.data(), 0, h), 0);
  EXPECT_EQ(DecodeFrameHeader(stream.data(), 27, h), 0);

  // The frame at 1000 breaks the 500 pattern; the search goes on to the frame at 1500, whose
  // walk leaves the window after one match.
  stream[1001] = 0xFC;
  EXPECT_EQ(DecodeFrameHeader(stream.data(), 2000, h), 1500);
}

TEST(FreeFormat, PaddedLayerOneFrameExcludesItsPaddingSlot) {
  // Layer I, padded first frame of 404 bytes (400 + one 4-byte slot), then unpadded 400-byte
  // frames.
  std::vector<uint8_t> bytes(3000, 0x22);
  const uint8_t padded[] = {0xFF, 0xFF, 0x06, 0x00};
  const uint8_t plain[] = {0xFF, 0xFF, 0x04, 0x00};
  std::copy(padded, padded + 4, bytes.begin());
  for (size_t at = 404; at + 4 <= bytes.size(); at += 400) std::copy(plain, plain + 4, &bytes[at]);
  MpegFrameHeader h{};
  EXPECT_EQ(DecodeFrameHeader(bytes.data(), 3000, h), 400);
}

TEST(FreeFormat, GarbageWindowIsBounded) {
  // 20000 bytes of repeated header pairs at irregular distances: the search stops by itself.
  std::vector<uint8_t> bytes(20000);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = (i * 7919 % 13 == 0) ? 0xFF : 0xFD;
  bytes[0] = 0xFF;
  bytes[1] = 0xFD;
  bytes[2] = 0x04;
  MpegFrameHeader h{};
  const int32_t length = DecodeFrameHeader(bytes.data(), static_cast<uint32_t>(bytes.size()), h);
  EXPECT_GE(length, 0);
  EXPECT_LT(length, 2000);
}

TEST(SyncScan, FirstCandidateDecides) {
  MpegFrameHeader h{};
  int32_t bitrate = -1;
  uint32_t offset = 77;
  std::vector<uint8_t> junkFirst = {0x00, 0xFF, 0xF0, 0x12, 0x34, 0xFF, 0xFD, 0x84, 0x00};
  EXPECT_EQ(FindFrameHeader(junkFirst.data(), 9, h, bitrate, offset), 0);
  EXPECT_EQ(offset, 1u);  // the candidate was examined and rejected

  std::vector<uint8_t> good = {0x00, 0x12, 0xFF, 0xFD, 0x84, 0x00, 0x00};
  EXPECT_EQ(FindFrameHeader(good.data(), 7, h, bitrate, offset), 384);
  EXPECT_EQ(offset, 2u);
  EXPECT_EQ(bitrate, 128000);
}

TEST(SyncScan, NoCandidateLeavesOutputsUntouched) {
  MpegFrameHeader h{};
  h.Layer = 42;
  int32_t bitrate = 5;
  uint32_t offset = 77;
  std::vector<uint8_t> none(100, 0x7F);
  EXPECT_EQ(FindFrameHeader(none.data(), 100, h, bitrate, offset), 0);
  EXPECT_EQ(offset, 77u);
  EXPECT_EQ(bitrate, 5);
  EXPECT_EQ(h.Layer, 42);

  // A candidate in the last three bytes of the range would need bytes beyond it.
  std::vector<uint8_t> late = {0x00, 0x00, 0x00, 0xFF, 0xFD, 0x84};
  EXPECT_EQ(FindFrameHeader(late.data(), 6, h, bitrate, offset), 0);
  EXPECT_EQ(offset, 77u);
  std::vector<uint8_t> exact = {0x00, 0x00, 0xFF, 0xFD, 0x84, 0x00};
  EXPECT_EQ(FindFrameHeader(exact.data(), 6, h, bitrate, offset), 384);
}

}  // namespace
}  // namespace yumekaze::decoder

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "decoder/decoder.h"
#include "decoder/decoder_state.h"
#include "decoder/layer12.h"
#include "decoder/layer12_tables.h"
#include "decoder/test_support.h"

namespace yumekaze::decoder {
namespace {

using yumekaze::testing::BitWriter;

constexpr float kClass1Factor = static_cast<float>(2.0 / 3);

// Field widths per subband of the MPEG-1 allocation table B.2b (groups of 3, 8, 12, 7).
int Table1Width(int subband) { return subband < 11 ? 4 : subband < 23 ? 3 : 2; }

struct Decoded {
  std::unique_ptr<DecoderState> decoder = std::make_unique<DecoderState>();
  MpegDecodeResult result{};
};

Decoded DecodeOne(const std::vector<uint8_t>& header, int32_t frameLength,
                  const std::vector<uint8_t>& frame, int32_t frequencyLimit, uint8_t options = 0) {
  Decoded out;
  MpegFrameHeader h{};
  DecodeFrameHeader(header.data(), 0, h);
  EXPECT_EQ(InitDecoder(*out.decoder, h, frameLength, 0, 0, options, frequencyLimit), 1);
  std::vector<uint8_t> pcm(4608);
  DecodeFrame(*out.decoder, out.result, frame.data(), frame.size(), pcm.data());
  return out;
}

TEST(Layer2Tables, GroupDigitsAndFactors) {
  const Layer12Tables& t = GetLayer12Tables();
  EXPECT_EQ((std::vector<float>{t.Group3[26][0], t.Group3[26][1], t.Group3[26][2]}),
            (std::vector<float>{1, 1, 1}));
  EXPECT_EQ((std::vector<float>{t.Group3[0][0], t.Group3[0][1], t.Group3[0][2]}),
            (std::vector<float>{-1, -1, -1}));
  EXPECT_EQ((std::vector<float>{t.Group3[13][0], t.Group3[13][1], t.Group3[13][2]}),
            (std::vector<float>{0, 0, 0}));
  // 5 levels: 7 = 2 + 1 x 5 -> digits 0, -1, -2; 9 levels: 728 = 8 + 8 x 9 + 8 x 81.
  EXPECT_EQ((std::vector<float>{t.Group5[7][0], t.Group5[7][1], t.Group5[7][2]}),
            (std::vector<float>{0, -1, -2}));
  EXPECT_EQ((std::vector<float>{t.Group9[728][0], t.Group9[728][1], t.Group9[728][2]}),
            (std::vector<float>{4, 4, 4}));
  // Codes beyond L^3 - 1 follow the same rule: 31 = 1 + 1 x 3 + 3 x 9.
  EXPECT_EQ((std::vector<float>{t.Group3[31][0], t.Group3[31][1], t.Group3[31][2]}),
            (std::vector<float>{0, 0, -1}));
  EXPECT_FLOAT_EQ(t.ScaleFactors[0], 65536.0f);
  EXPECT_FLOAT_EQ(t.ScaleFactors[3], 32768.0f);
  EXPECT_FLOAT_EQ(t.ScaleFactors[63], 0.03125f);
  EXPECT_FLOAT_EQ(t.Layer2Factors[17], static_cast<float>(2.0 / 65535));
  EXPECT_FLOAT_EQ(t.ScaleFactors[0] * t.Layer2Factors[1], 43690.668f);
}

TEST(Layer2Tables, JointStereoBounds) {
  EXPECT_EQ(JointStereoBoundFor(0, 2), 64);
  EXPECT_EQ(JointStereoBoundFor(1, 0), 8);
  EXPECT_EQ(JointStereoBoundFor(1, 1), 16);
  EXPECT_EQ(JointStereoBoundFor(1, 2), 24);
  EXPECT_EQ(JointStereoBoundFor(1, 3), 32);
  EXPECT_EQ(JointStereoBoundFor(2, 0), 64);
  EXPECT_EQ(JointStereoBoundFor(3, 0), 32);
}

// Tables a..d are 0..3, MPEG-2's is 4. Stereo at 48 or 80 kbit/s and mono from 224 kbit/s are
// pairs the standard leaves out; they take the table of their bitrate per channel too.
TEST(Layer2Tables, TableFollowsTheBitratePerChannel) {
  struct Case {
    int32_t rateIndex;  // 0 44.1, 1 48, 2 32 kHz
    int32_t mode;
    int32_t bitrateIndex;
    int32_t table;
  };
  for (const Case c :
       {Case{0, 0, 2, 2}, Case{1, 0, 5, 2}, Case{2, 0, 2, 3}, Case{0, 1, 4, 2}, Case{2, 2, 6, 3},
        Case{0, 0, 7, 0}, Case{0, 0, 9, 0}, Case{0, 0, 10, 1}, Case{1, 0, 10, 0}, Case{0, 3, 1, 2},
        Case{2, 3, 2, 3}, Case{0, 3, 3, 0}, Case{0, 3, 6, 1}, Case{0, 3, 14, 1}, Case{1, 3, 14, 0},
        Case{2, 3, 11, 1}, Case{0, 0, 0, 1}, Case{1, 3, 0, 0}, Case{0, 0, 15, -1}}) {
    MpegFrameHeader h{};
    h.SyncKind = 1;
    h.VersionId = 1;
    h.Layer = 2;
    h.SampleRateIndex = c.rateIndex;
    h.Mode = c.mode;
    h.BitrateIndex = c.bitrateIndex;
    EXPECT_EQ(Layer2TableFor(h), c.table)
        << "rate " << c.rateIndex << ", mode " << c.mode << ", bitrate " << c.bitrateIndex;
    h.VersionId = 0;
    EXPECT_EQ(Layer2TableFor(h), c.bitrateIndex == 15 ? -1 : 4);
  }
}

TEST(Layer2Frame, JointSubbandsShareSamplesScaledPerChannel) {
  // 44100 Hz, 128 kbit/s, joint stereo with extension 0: subbands from 4 share their samples.
  // Table B.2a: groups of 3, 8, 12, 4 subbands with 4, 4, 3, 2-bit fields.
  const std::vector<uint8_t> header = {0xFF, 0xFD, 0x80, 0x40};
  BitWriter w;
  for (uint8_t byte : header) w.Put(byte, 8);
  for (int sb = 0; sb < 4; ++sb) w.Put(0, 8);  // two 4-bit codes each, nothing allocated
  w.Put(1, 4);  // subband 4, both channels: class 1 (3 levels, grouped)
  for (int sb = 5; sb < 27; ++sb) w.Put(0, sb < 11 ? 4 : sb < 23 ? 3 : 2);
  w.Put(2, 2);  // selection: one scale factor for left ...
  w.Put(2, 2);  // ... and one for right
  w.Put(0, 6);  // left: 65536
  w.Put(3, 6);  // right: 32768
  const int codes[12] = {26, 0, 13, 5, 26, 26, 0, 13, 1, 2, 25, 24};
  for (int code : codes) w.Put(static_cast<uint32_t>(code), 5);
  const Decoded d = DecodeOne(header, 417, w.Bytes(417), 24000);
  ASSERT_EQ(d.result.BytesConsumed, 417);

  const Layer12Tables& t = GetLayer12Tables();
  for (int granule = 0; granule < 12; ++granule) {
    for (int k = 0; k < 3; ++k) {
      const int slot = 3 * granule + k;
      const float digit = t.Group3[codes[granule]][k];
      EXPECT_FLOAT_EQ(d.decoder->SubbandSamples[64 * slot + 8], digit * kClass1Factor * 65536.0f);
      EXPECT_FLOAT_EQ(d.decoder->SubbandSamples[64 * slot + 9], digit * kClass1Factor * 32768.0f);
      EXPECT_EQ(d.decoder->SubbandSamples[64 * slot + 10], 0.0f);
    }
  }
}

TEST(Layer2Frame, SixteenBitClassCoversItsExtremes) {
  // Single channel, 44100 Hz, 128 kbit/s: table B.2b. Subband 0, code 15: class 17.
  const std::vector<uint8_t> header = {0xFF, 0xFD, 0x80, 0xC0};
  BitWriter w;
  for (uint8_t byte : header) w.Put(byte, 8);
  w.Put(15, 4);
  for (int sb = 1; sb < 30; ++sb) w.Put(0, Table1Width(sb));
  w.Put(2, 2);
  w.Put(0, 6);
  for (int granule = 0; granule < 12; ++granule) {
    w.Put(65535, 16);
    w.Put(0, 16);
    w.Put(32767, 16);
  }
  const Decoded d = DecodeOne(header, 417, w.Bytes(417), 24000);
  const float factor = static_cast<float>(2.0 / 65535) * 65536.0f;
  for (int granule = 0; granule < 12; ++granule) {
    EXPECT_FLOAT_EQ(d.decoder->SubbandSamples[64 * (3 * granule)], 32768.0f * factor);
    EXPECT_FLOAT_EQ(d.decoder->SubbandSamples[64 * (3 * granule + 1)], -32767.0f * factor);
    EXPECT_EQ(d.decoder->SubbandSamples[64 * (3 * granule + 2)], 0.0f);
  }
}

// Stereo frame of table B.2b (384 kbit/s) with class 1 in every entry, one scale factor each
// (index 0 or 3 by entry), and distinct group codes per granule and entry.
std::vector<uint8_t> EveryEntryFrame(std::vector<uint8_t>& header) {
  header = {0xFF, 0xFD, 0xE0, 0x00};
  BitWriter w;
  for (uint8_t byte : header) w.Put(byte, 8);
  for (int sb = 0; sb < 30; ++sb) {
    w.Put(1, Table1Width(sb));
    w.Put(1, Table1Width(sb));
  }
  for (int e = 0; e < 60; ++e) w.Put(2, 2);
  for (int e = 0; e < 60; ++e) w.Put(e % 2 ? 3 : 0, 6);
  for (int granule = 0; granule < 12; ++granule) {
    for (int e = 0; e < 60; ++e) w.Put(static_cast<uint32_t>((3 * e + 7 * granule) % 27), 5);
  }
  return w.Bytes(1253);
}

TEST(Layer2Frame, EntriesAboveTheSubbandLimitAreSkippedBitExactly) {
  std::vector<uint8_t> header;
  const std::vector<uint8_t> frame = EveryEntryFrame(header);
  const Decoded full = DecodeOne(header, 1253, frame, 24000, kOptionFullBand);
  const Decoded limited = DecodeOne(header, 1253, frame, 8000);  // 12 subbands, 24 entries
  ASSERT_EQ(full.decoder->SubbandLimit, 60);
  ASSERT_EQ(limited.decoder->SubbandLimit, 24);
  const Layer12Tables& t = GetLayer12Tables();
  for (int granule = 0; granule < 12; ++granule) {
    for (int k = 0; k < 3; ++k) {
      const int slot = 3 * granule + k;
      for (int e = 0; e < 64; ++e) {
        const float expected = e < 60 ? t.Group3[(3 * e + 7 * granule) % 27][k] * kClass1Factor *
                                            (e % 2 ? 32768.0f : 65536.0f)
                                      : 0.0f;
        ASSERT_FLOAT_EQ(full.decoder->SubbandSamples[64 * slot + e], expected)
            << "granule " << granule << " entry " << e;
        ASSERT_FLOAT_EQ(limited.decoder->SubbandSamples[64 * slot + e], e < 24 ? expected : 0.0f)
            << "granule " << granule << " entry " << e;
      }
    }
  }
}

// A frame cut short reads its missing bits as zero: the same samples as the whole frame with
// those bytes zeroed, whether the cut falls inside a granule's codes or between them.
TEST(Layer2Frame, BitsPastACutFrameReadAsZero) {
  std::vector<uint8_t> header;
  const std::vector<uint8_t> frame = EveryEntryFrame(header);
  for (const size_t cut : {size_t{120}, size_t{301}, size_t{502}}) {  // codes end at byte 538
    std::vector<uint8_t> zeroed = frame;
    std::fill(zeroed.begin() + static_cast<std::ptrdiff_t>(cut), zeroed.end(), uint8_t{0});
    const Decoded whole = DecodeOne(header, 1253, zeroed, 24000, kOptionFullBand);
    const Decoded short_ =
        DecodeOne(header, 1253, std::vector<uint8_t>(frame.begin(), frame.begin() + cut), 24000,
                  kOptionFullBand);
    const Decoded intact = DecodeOne(header, 1253, frame, 24000, kOptionFullBand);
    EXPECT_TRUE(std::equal(std::begin(whole.decoder->SubbandSamples),
                           std::end(whole.decoder->SubbandSamples),
                           std::begin(short_.decoder->SubbandSamples)))
        << "cut at " << cut;
    EXPECT_FALSE(std::equal(std::begin(whole.decoder->SubbandSamples),
                            std::end(whole.decoder->SubbandSamples),
                            std::begin(intact.decoder->SubbandSamples)))
        << "cut at " << cut;
  }
}

}  // namespace
}  // namespace yumekaze::decoder

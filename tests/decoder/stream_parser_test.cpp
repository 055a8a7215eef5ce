// The stream parser: confirmed sync, tags between frames, the LAME tag (against mutagen's
// reading of a lame-made file) and the gapless trim over frames of mixed sizes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "decoder/frame_scan.h"
#include "decoder/frame_sync.h"
#include "decoder/frame_walker.h"
#include "decoder/tag_blocks.h"
#include "decoder/test_support.h"
#include "decoder/vbr_header.h"

namespace yumekaze::decoder {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

// Frames with zero payload: 417 bytes of MPEG-1 Layer III at 128 kbit/s and 44.1 kHz, or 261 of
// MPEG-2 at 80 kbit/s and 22.05 kHz.
Bytes Frames(int count, bool mpeg2) {
  Bytes bytes;
  for (int i = 0; i < count; ++i) {
    const Bytes header = mpeg2 ? Bytes{0xFF, 0xF3, 0x90, 0x64} : Bytes{0xFF, 0xFB, 0x90, 0x64};
    bytes.insert(bytes.end(), header.begin(), header.end());
    bytes.resize(bytes.size() + (mpeg2 ? 261 : 417) - 4, 0);
  }
  return bytes;
}

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

TEST(StreamParser, SyncNeedsTwoAgreeingHeadersAfterTheCandidate) {
  const Bytes stream = Frames(3, false);
  int32_t freeFormat = 0;
  FrameInfo frame;
  EXPECT_EQ(ConfirmFrame(stream.data(), stream.size(), true, freeFormat, frame),
            SyncCheck::kConfirmed);
  EXPECT_EQ(frame.Length, 417);
  // Not yet decidable without the following headers; the end of the data decides too.
  EXPECT_EQ(ConfirmFrame(stream.data(), 500, false, freeFormat, frame), SyncCheck::kNeedMore);
  EXPECT_EQ(ConfirmFrame(stream.data(), 417, true, freeFormat, frame), SyncCheck::kConfirmed);
  // A valid header whose successor disagrees (another sampling rate) is no sync.
  const Bytes mixed = Join({Frames(1, false), Frames(2, true)});
  EXPECT_EQ(ConfirmFrame(mixed.data(), mixed.size(), true, freeFormat, frame),
            SyncCheck::kRejected);

  // A lone header in junk loses to the stream behind it.
  Bytes junk(3000, 0x11);
  const Bytes lone = {0xFF, 0xF3, 0x90, 0x64};
  std::copy(lone.begin(), lone.end(), junk.begin() + 1000);
  const Bytes file = Join({junk, Frames(20, false)});
  std::vector<FramePosition> positions;
  const StreamScan scan = ScanStream(file.data(), file.size(), &positions);
  ASSERT_EQ(scan.Frames, 20);
  EXPECT_EQ(positions.front().Offset, 3000);
  EXPECT_EQ(scan.SkippedBytes, 3000);
}

TEST(StreamParser, FreeFormatDistancesLongerThanAnyFrameAreNoSync) {
  // Free-format Layer III headers 5000 bytes apart: longer than any served bitrate makes.
  Bytes stream;
  for (int i = 0; i < 4; ++i) {
    const Bytes header = {0xFF, 0xFB, 0x00, 0x64};
    stream.insert(stream.end(), header.begin(), header.end());
    stream.resize(stream.size() + 4996, 0x33);
  }
  int32_t freeFormat = 0;
  FrameInfo frame;
  EXPECT_EQ(ConfirmFrame(stream.data(), kWalkLookahead, false, freeFormat, frame),
            SyncCheck::kRejected);
  EXPECT_EQ(ScanStream(stream.data(), stream.size(), nullptr).Frames, 0);
}

TEST(StreamParser, TagsBetweenFramesArePassedOverBySize) {
  Bytes id3v24 = {'I', 'D', '3', 4, 0, 0x10, 0, 0, 1, 0};  // 128 bytes and a footer
  id3v24.resize(10 + 128 + 10, 0xFF);
  Bytes ape(32 + 40, 0xFF);  // a header block counting 40 bytes of items and footer
  std::copy_n("APETAGEX", 8, ape.begin());
  const Bytes apeFields = {0xD0, 0x07, 0, 0, 40, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0xA0};
  std::copy(apeFields.begin(), apeFields.end(), ape.begin() + 8);
  Bytes id3v1(128, 0xFF);
  std::copy_n("TAG", 3, id3v1.begin());
  Bytes lyrics = {'L', 'Y', 'R', 'I', 'C', 'S', 'B', 'E', 'G', 'I', 'N'};
  const std::string text = "[00:01]la la LYRICS200";
  lyrics.insert(lyrics.end(), text.begin(), text.end());
  EXPECT_EQ(TagBlockSize(id3v24.data(), id3v24.size()), 148);
  EXPECT_EQ(TagBlockSize(ape.data(), ape.size()), 72);
  EXPECT_EQ(TagBlockSize(id3v1.data(), id3v1.size()), 128);

  const Bytes file = Join({Frames(5, false), id3v24, Frames(5, false), ape, Frames(5, false),
                           lyrics, id3v1, Frames(5, false), id3v1});
  const StreamScan scan = ScanStream(file.data(), file.size(), nullptr);
  EXPECT_EQ(scan.Frames, 20);
  EXPECT_EQ(scan.SkippedBytes, static_cast<int64_t>(text.size()));
}

// An "Info" frame of MPEG-2 counting `frames`, with a LAME tag giving delay and padding.
Bytes InfoFrame(uint32_t frames, int delay, int padding) {
  Bytes frame = Frames(1, true);
  const size_t at = 4 + 17;
  const Bytes fields = {'I',
                        'n',
                        'f',
                        'o',
                        0,
                        0,
                        0,
                        1,
                        static_cast<uint8_t>(frames >> 24),
                        static_cast<uint8_t>(frames >> 16),
                        static_cast<uint8_t>(frames >> 8),
                        static_cast<uint8_t>(frames)};
  std::copy(fields.begin(), fields.end(), frame.begin() + at);
  const size_t lame = at + fields.size();
  std::copy_n("LAME3.100", 9, frame.begin() + static_cast<long>(lame));
  frame[lame + 21] = static_cast<uint8_t>(delay >> 4);
  frame[lame + 22] = static_cast<uint8_t>((delay & 15) << 4 | padding >> 8);
  frame[lame + 23] = static_cast<uint8_t>(padding);
  return frame;
}

TEST(StreamParser, GaplessTrimCountsAndFramesOfAnotherSize) {
  // 10 MPEG-2 frames of 576 samples: delay 576 + 529 cut at the start, 1000 - 529 at the end.
  const Bytes file = Join({InfoFrame(10, 576, 1000), Frames(10, true)});
  const StreamScan scan = ScanStream(file.data(), file.size(), nullptr);
  EXPECT_EQ(scan.Vbr.Kind, VbrHeaderKind::kInfo);
  ASSERT_TRUE(scan.Vbr.HasLame);
  EXPECT_EQ(scan.Frames, 10);
  EXPECT_EQ(scan.Samples, 5760 - 576 - 1000);
  EXPECT_EQ(TrimmedLength(scan.Trim, scan.DecodedSamples), scan.Samples);

  // Another stream joined on keeps every sample beyond the counted frames, whatever their size.
  const Bytes joined = Join({file, Frames(4, false)});
  const StreamScan more = ScanStream(joined.data(), joined.size(), nullptr);
  EXPECT_EQ(more.Samples, scan.Samples + 4 * 1152);
  // A count that ends inside a frame of another size cuts only that frame's part before it.
  const Bytes short_count = Join({InfoFrame(11, 0, 1000), Frames(10, true), Frames(4, false)});
  const StreamScan cut = ScanStream(short_count.data(), short_count.size(), nullptr);
  EXPECT_LE(cut.Samples, cut.DecodedSamples - 529);
  EXPECT_GE(cut.Samples, cut.DecodedSamples - 529 - 1152);
}

TEST(StreamParser, LameTagFieldsReadAsMutagenReadsThem) {
  if (std::system("command -v lame sox > /dev/null 2>&1") != 0 ||
      std::system("/usr/bin/python3 -c 'import mutagen' 2> /dev/null") != 0) {
    GTEST_SKIP() << "lame, sox or python3-mutagen missing";
  }
  const fs::path dir =
      fs::temp_directory_path() / ("yumekaze-lame-tag-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const std::string wav = (dir / "s.wav").string();
  const std::string mp3 = (dir / "s.mp3").string();
  const std::string text = (dir / "mutagen.txt").string();
  ASSERT_EQ(std::system(("sox -n -r 44100 -c 2 '" + wav + "' synth 2 sine 440 vol 0.5 && " +
                         "lame --quiet --replaygain-accurate -V 4 '" + wav + "' '" + mp3 + "'")
                            .c_str()),
            0);
  ASSERT_EQ(
      std::system(("/usr/bin/python3 -c \"import mutagen.mp3 as m; i = m.MP3('" + mp3 +
                   "').info; print(i.track_gain, i.track_peak, i.encoder_info)\" > '" + text + "'")
                      .c_str()),
      0);
  float gain = 0;
  float peak = 0;
  char encoder[32] = {};
  const auto line = yumekaze::testing::ReadFileBytes(text);
  ASSERT_EQ(std::sscanf(std::string(line.begin(), line.end()).c_str(), "%f %f LAME %31s", &gain,
                        &peak, encoder),
            3);

  auto bytes = yumekaze::testing::ReadFileBytes(mp3);
  FrameInfo first;
  ASSERT_TRUE(ParseFrameHeader(bytes.data(), 0, first));
  VbrHeader vbr;
  ASSERT_TRUE(ParseVbrHeader(bytes.data(), static_cast<size_t>(first.Length), first.Header, vbr));
  EXPECT_EQ(vbr.Kind, VbrHeaderKind::kXing);
  ASSERT_TRUE(vbr.HasLame);
  EXPECT_EQ(std::string(vbr.Lame.Encoder).substr(0, 4), "LAME");
  EXPECT_EQ(std::string(encoder).substr(0, 4), std::string(vbr.Lame.Encoder).substr(4, 4));
  EXPECT_TRUE(vbr.Lame.RadioGain.Present);
  EXPECT_NEAR(vbr.Lame.RadioGain.GainDb, gain, 0.01);
  EXPECT_NEAR(vbr.Lame.TrackPeak, peak, 1e-6);
  EXPECT_EQ(vbr.Lame.EncoderDelay, 576);
  EXPECT_TRUE(vbr.Lame.TagCrcValid);
  // One changed byte before the CRC shows.
  bytes[XingOffset(first.Header) + 8] ^= 1;
  ASSERT_TRUE(ParseVbrHeader(bytes.data(), static_cast<size_t>(first.Length), first.Header, vbr));
  EXPECT_FALSE(vbr.Lame.TagCrcValid);
  fs::remove_all(dir);
}

// Feeds `file` to a StreamScanner in windows of `piece` bytes, each starting at the first byte
// not yet consumed.
StreamScan ScanInPieces(const Bytes& file, size_t piece, std::vector<FramePosition>* positions) {
  StreamScanner scanner(positions);
  for (size_t start = 0;;) {
    const size_t end = std::min(file.size(), start + piece);
    const size_t taken = scanner.Feed(file.data() + start, end - start, end == file.size());
    if (end == file.size()) break;
    if (taken == 0) {
      ADD_FAILURE() << "no progress at byte " << start;
      break;
    }
    start += taken;
  }
  return scanner.Finish();
}

void ExpectSameScanInPieces(const Bytes& file) {
  std::vector<FramePosition> whole;
  const StreamScan expected = ScanStream(file.data(), file.size(), &whole);
  // Piece ends fall at many places within frames, tags and junk.
  for (size_t piece = StreamScanner::kMinPiece; piece < StreamScanner::kMinPiece + 6000;
       piece += 131) {
    SCOPED_TRACE("pieces of " + std::to_string(piece));
    std::vector<FramePosition> pieces;
    const StreamScan scan = ScanInPieces(file, piece, &pieces);
    EXPECT_EQ(scan.Frames, expected.Frames);
    EXPECT_EQ(scan.Samples, expected.Samples);
    EXPECT_EQ(scan.SkippedBytes, expected.SkippedBytes);
    EXPECT_EQ(scan.HeaderFrameOffset, expected.HeaderFrameOffset);
    EXPECT_EQ(scan.Vbr.Kind, expected.Vbr.Kind);
    ASSERT_EQ(pieces.size(), whole.size());
    for (size_t i = 0; i < whole.size(); ++i) {
      ASSERT_EQ(pieces[i].Offset, whole[i].Offset) << "frame " << i;
      ASSERT_EQ(pieces[i].Length, whole[i].Length) << "frame " << i;
    }
  }
}

// A long file is scanned in pieces, with memory for one piece only: the pieces find what the
// whole finds, also where a tag, junk or a frame reaches across a piece's end.
TEST(StreamParser, AScanInPiecesFindsWhatTheWholeFinds) {
  Bytes tag = {'I', 'D', '3', 4, 0, 0, 0, 6, 0, 0};  // 98,304 bytes of tag body
  tag.resize(10 + 98304, 0x55);
  Bytes junk(70001, 0x11);
  // A second file joined on, after junk, brings its own header frame.
  ExpectSameScanInPieces(
      Join({InfoFrame(700, 576, 1000), Frames(300, true), tag, Frames(400, true), junk,
            Frames(500, false), tag, junk, InfoFrame(20, 576, 100), Frames(20, true)}));
  const fs::path dir = testing::SharedDir() / "conformance";
  if (!fs::exists(dir)) GTEST_SKIP() << "no conformance streams in " << dir;
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (entry.path().extension() != ".bit") continue;
    SCOPED_TRACE(entry.path().filename().string());
    ExpectSameScanInPieces(testing::ReadFileBytes(entry.path()));
  }
}

}  // namespace
}  // namespace yumekaze::decoder

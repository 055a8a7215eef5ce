// Damaged and hostile tags: sizes past the file's end or before its start, negative and huge
// sizes, truncated tags. The reader must stay inside the file, end, and report sane positions.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <random>

#include "engine/tags/mp3_info.h"
#include "engine/tags/picture_header.h"
#include "tag_files.h"

namespace yumekaze::engine {
namespace {

using namespace test_support;
using ::testing::ElementsAre;

// Audio start and length always describe bytes of the file.
void ExpectSanePositions(Scan& scan) {
  const int64_t size = scan.stream.Size();
  EXPECT_GE(scan.info.AudioStart(), 0);
  EXPECT_LE(scan.info.AudioStart(), size);
  EXPECT_GE(scan.info.AudioLength(), 0);
  EXPECT_LE(scan.info.AudioStart() + scan.info.AudioLength(), size);
}

TEST(HostileTags, Id3v2SizeBeyondTheFileLeavesTheAudioAtTheStart) {
  for (const uint8_t version : {3, 4}) {
    Bytes file = Id3v2Tag(version, Id3v2TextFrame("TIT2", "Cut")) + Audio(50);
    file[6] = 0x7F;  // size about 266 MB
    Scan scan(file);
    EXPECT_EQ(scan.info.Found() & TMP3Info::kFoundId3v2, 0);
    EXPECT_EQ(scan.info.AudioStart(), 0);
    EXPECT_EQ(scan.info.AudioLength(), int64_t(file.size()));
    ExpectSanePositions(scan);
  }
}

TEST(HostileTags, Id3v2SizeBeyondAPipeLeavesTheAudioWhereTheFramesStop) {
  const Bytes frame = Id3v2TextFrame("TIT2", "Cut");
  Bytes file = Id3v2Tag(3, frame) + Audio(5000);
  file[6] = 0x7F;
  Scan scan(file, /*seekable=*/false);
  EXPECT_EQ(scan.info.AudioStart(), int64_t(10 + frame.size()));
  EXPECT_TRUE(scan.leading_result);
  EXPECT_THAT(scan.info.Id3v2Lines(), ElementsAre("TIT2=Cut"));
}

TEST(HostileTags, Id3v2UnmaskedSizeBytesCountWhole) {
  // 0xFF in every size byte: the largest size the header can state, far past this file.
  Bytes file = Text("ID3") + Bytes{4, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF} + Audio(100);
  Scan scan(file);
  EXPECT_EQ(scan.info.AudioStart(), 0);
  ExpectSanePositions(scan);
}

TEST(HostileTags, DamagedId3v23FramesCostTheirLinesNotTheAudioBehindTheTag) {
  const Bytes good = Id3v2TextFrame("TIT2", "Kept");
  const std::vector<Bytes> damaged = {
      Text("TPE1") + BE32(0x80000000) + Bytes{0, 0} + Bytes(20, 'x'),  // negative size
      Text("TPE1") + BE32(0x7FFFFFFF) + Bytes{0, 0} + Bytes(20, 'x'),  // huge size
      Text("TPE1") + BE32(0xFFFFFFFF) + Bytes{0, 0} + Bytes(20, 'x'),  // largest size
      Text("TPE1") + BE32(200) + Bytes{0, 0} + Bytes(20, 'x'),         // past the tag's end
  };
  for (const Bytes& frame : damaged) {
    const Bytes tag = Id3v2Tag(3, good + frame);
    Scan scan(tag + Audio(300));
    EXPECT_EQ(scan.info.Found(), TMP3Info::kFoundId3v2);
    EXPECT_EQ(scan.info.AudioStart(), int64_t(tag.size()));
    EXPECT_THAT(scan.info.Id3v2Lines(), ElementsAre("TIT2=Kept"));
    ExpectSanePositions(scan);
  }
}

TEST(HostileTags, TruncatedId3v23Tag) {
  const Bytes tag = Id3v2Tag(3, Id3v2TextFrame("TIT2", "Whole") + Id3v2TextFrame("TPE1", "Cut"));
  for (size_t cut = 1; cut < tag.size(); ++cut) {
    SCOPED_TRACE(cut);
    Scan scan(Bytes(tag.begin(), tag.end() - cut));
    EXPECT_EQ(scan.info.Found(), 0);
    EXPECT_EQ(scan.info.AudioStart(), 0);
    ExpectSanePositions(scan);
  }
}

TEST(HostileTags, BadExtendedHeaderSizes) {
  for (const uint32_t extended : {0xFFFFFFFFu, 0x7FFFFFFFu, 1000u}) {
    const Bytes tag = Id3v2Tag(3, BE32(extended) + Bytes(6, 0) + Id3v2TextFrame("TIT2", "X"), 0x40);
    Scan scan(tag + Audio(100));
    EXPECT_EQ(scan.info.AudioStart(), int64_t(tag.size()));
    EXPECT_TRUE(scan.info.Id3v2Lines().empty());
  }
}

TEST(HostileTags, AThousandId3v2TagsInARowArePassedOver) {
  Bytes tags;
  for (int i = 0; i < 1000; ++i) tags = tags + Id3v2Tag(uint8_t(2 + i % 3), Bytes(20, 0));
  Scan scan(tags + Audio(100));
  EXPECT_EQ(scan.info.Found(), TMP3Info::kFoundId3v2);
  EXPECT_EQ(scan.info.AudioStart(), int64_t(tags.size()));
  ExpectSanePositions(scan);
}

TEST(HostileTags, CompressedFramesInflateToBoundedSizes) {
  // 20 MiB of text in a few kilobytes, six times over.
  Bytes text(20 << 20, 'a');
  text[0] = 0;  // the text encoding
  uLongf size = compressBound(text.size());
  Bytes packed(size);
  compress(packed.data(), &size, text.data(), text.size());
  packed.resize(size);
  Bytes frames;
  for (int i = 0; i < 6; ++i) {
    frames = frames + Text("TIT2") + BE32(uint32_t(4 + packed.size())) + Bytes{0, 0x80} +
             BE32(uint32_t(text.size())) + packed;
  }
  const Bytes truncated = Bytes(packed.begin(), packed.begin() + long(packed.size() / 2));
  frames = frames + Text("TPE1") + BE32(uint32_t(4 + truncated.size())) + Bytes{0, 0x80} +
           BE32(100) + truncated;
  Scan scan(Id3v2Tag(3, frames) + Audio(100));
  size_t total = 0;
  for (const std::string& line : scan.info.Id3v2Lines()) total += line.size();
  EXPECT_LE(total, size_t{33} << 20);
  EXPECT_EQ(scan.info.Found(), TMP3Info::kFoundId3v2);
}

TEST(HostileTags, DamagedUnsynchronisedAndAppendedId3v2) {
  const Bytes frames = Unsynchronise(Id3v2TextFrame("TIT2", "\xFF\xFF\xFF"));
  const Bytes tag = Id3v2Tag(3, frames, 0x80);
  for (size_t cut = 1; cut < frames.size(); cut += 3) {
    Scan scan(Bytes(tag.begin(), tag.end() - long(cut)));
    EXPECT_EQ(scan.info.Found(), 0);
    ExpectSanePositions(scan);
  }
  // Footers whose sizes reach before the audio or past the start of the file.
  for (const uint32_t size : {0u, 5u, 0x0FFFFFFFu}) {
    Scan scan(Audio(40) + Text("3DI") + Bytes{4, 0, 0} + SyncSafe(size));
    EXPECT_EQ(scan.info.Found() & TMP3Info::kFoundId3v2Appended, 0);
    ExpectSanePositions(scan);
  }
}

TEST(HostileTags, DamagedApeTags) {
  const Bytes good = ApeTag({{"Title", "Kept"}});
  std::vector<Bytes> damaged;
  for (const auto& [offset, value] : {std::pair{12, 0xFFFFFFFFu},  // size past the file
                                      {12, 8u},                    // size below the footer's
                                      {16, 5000000u}}) {           // millions of items
    Bytes tag = good;
    const Bytes field = LE32(value);
    std::copy(field.begin(), field.end(), tag.end() - 32 + offset);
    damaged.push_back(tag);
  }
  Bytes huge_item = good;
  const Bytes item_size = LE32(0x7FFFFFFF);
  std::copy(item_size.begin(), item_size.end(), huge_item.begin() + 32);
  damaged.push_back(huge_item);
  for (const Bytes& tag : damaged) {
    Scan scan(Audio(64) + tag + Id3v1Tag({.title = "v1"}));
    ExpectSanePositions(scan);
    EXPECT_LE(scan.info.ApeLines().size(), 1u);
  }
}

TEST(HostileTags, RiffSizesPastTheFileAreClampedToIt) {
  Bytes file = RiffWave(Audio(1000));
  // data chunk says 0x7FFFFFF0 bytes
  const Bytes huge = LE32(0x7FFFFFF0);
  std::copy(huge.begin(), huge.end(), file.begin() + 54);
  Scan scan(file);
  EXPECT_EQ(scan.info.Found(), TMP3Info::kFoundRiffWave);
  EXPECT_EQ(scan.info.AudioStart(), 58);
  EXPECT_EQ(scan.info.AudioLength(), 1000);
  ExpectSanePositions(scan);
}

TEST(HostileTags, RiffChunkSearchStopsAtZeroNegativeAndTruncatedChunks) {
  for (const uint32_t size : {0u, 0x80000000u, 0xFFFFFFFFu, 5000u}) {
    const Bytes file = Text("RIFF") + LE32(100) + Text("WAVE") + Text("fmt ") + LE32(size) +
                       Bytes(16, 0) + Audio(200);
    Scan scan(file);
    EXPECT_EQ(scan.info.Found(), 0);
    EXPECT_EQ(scan.info.AudioStart(), 0);
    ExpectSanePositions(scan);
  }
}

TEST(HostileTags, RiffInfoKeepsTheLinesBeforeABadSubChunk) {
  const Bytes big = Text("IART") + LE32(70000) + Bytes(70000, 'a');
  const Bytes negative = Text("IART") + LE32(0xFFFFFF00) + Bytes(8, 'a');
  const Bytes past_end = Text("IART") + LE32(9000) + Bytes(8, 'a');
  for (const Bytes& bad : {big, negative, past_end}) {
    const Bytes list = RiffChunk("LIST", Text("INFO") + RiffChunk("INAM", Text("Name")) + bad);
    Scan scan(RiffWave(Audio(100), list));
    EXPECT_THAT(scan.info.InfoLines(), ElementsAre("INAM=Name"));
    EXPECT_EQ(scan.info.GetTitle(), "Name");
    EXPECT_EQ(scan.info.GetArtist(), "");
  }
}

TEST(HostileTags, MacBinaryDataForkLongerThanTheFile) {
  Bytes file = MacBinary(Audio(1000) + Id3v1Tag({.title = "Fork"}));
  file[83] = 0x10;  // data fork length about 268 MB
  Scan scan(file);
  EXPECT_EQ(scan.info.Found() & TMP3Info::kFoundMacBinary, TMP3Info::kFoundMacBinary);
  EXPECT_EQ(scan.info.AudioStart(), 128);
  ExpectSanePositions(scan);
}

TEST(HostileTags, MacBinaryNegativeForkLengthsAreNoMacBinary) {
  Bytes file = MacBinary(Audio(1000));
  file[87] = 0x80;
  Scan scan(file);
  EXPECT_EQ(scan.info.Found(), 0);
  EXPECT_EQ(scan.info.AudioStart(), 0);
}

TEST(HostileTags, DamagedLyrics3v2Blocks) {
  const Bytes good = Lyrics3v2({{"IND", "00"}, {"LYR", "text"}});
  const auto with_size = [&](const char* size) {
    Bytes block = good;
    std::copy(size, size + 6, block.end() - 15);
    return block;
  };
  const std::vector<Bytes> damaged = {
      with_size("999999"),  // starts before the file
      with_size("000030"),  // no LYRICSBEGIN there
      with_size("12x456"),  // not a number
      with_size("-00030"),  // negative
      Text("LYRICSBEGIN") + Text("LYR99999abc") + Text("000022LYRICS200"),  // field past the end
      Text("LYRICSBEGIN") + Text("LYR00000") + Text("000019LYRICS200"),     // empty field
      Text("LYRICSBEGIN") + Text("LYR0000") + Text("000018LYRICS200"),      // short field header
  };
  for (const Bytes& block : damaged) {
    Scan scan(Audio(20) + block);
    EXPECT_EQ(scan.info.Found(), 0);
    ExpectSanePositions(scan);
  }
  Scan intact(Audio(20) + good);
  EXPECT_EQ(intact.info.Found(), TMP3Info::kFoundLyrics3);
  EXPECT_THAT(intact.info.Lyrics3Lines(), ElementsAre("IND=00", "LYR=text"));
}

TEST(HostileTags, TinyFiles) {
  for (const Bytes& file : {Bytes{}, Text("TAG"), Text("LYRICSEND"), Text("ID3"), Text("RIFF"),
                            Id3v1Tag({.title = "Only"})}) {
    Scan scan(file);
    ExpectSanePositions(scan);
  }
  Scan only_tag(Id3v1Tag({.title = "Only"}));
  EXPECT_EQ(only_tag.info.GetTitle(), "Only");
}

// Random damage to a file with every trailing and leading tag, scanned through rings of the
// smallest allowed and the player's capacity, seekable and not.
TEST(HostileTags, RandomDamageNeverLeavesTheFile) {
  const Bytes id3v2 = Id3v2Tag(
      3, Id3v2TextFrame("TIT2", "Title") + Id3v2Frame("APIC", Bytes(300, 7)) + Bytes(17, 0));
  const Bytes info = InfoList({{"INAM", "Name"}, {"IART", "Artist"}});
  const Bytes original = MacBinary(RiffWave(id3v2 + Audio(2000), info) +
                                   Lyrics3v2({{"LYR", "words"}}) + Id3v1Tag({.title = "One"}));
  const Bytes modern_frames =
      Id3v24Frame("TIT2", SyncSafe(4) + Unsynchronise(Bytes{0, 0xFF, 0xE0, 'x'}), 0x03) +
      Id3v24Frame("COMM", Bytes{1} + Text("eng") + Bytes{0xFF, 0xFE, 0, 0, 'a', 0});
  const Bytes modern = Id3v2Tag(4, modern_frames, 0x10) + Text("3DI") + Bytes{4, 0, 0x10} +
                       SyncSafe(uint32_t(modern_frames.size())) + Audio(1000) +
                       ApeTag({{"Title", "Ape"}, {"Year", "2001"}}) + Id3v1Tag({.title = "One"});
  std::mt19937 random(4);
  for (int round = 0; round < 3000; ++round) {
    Bytes file = round % 2 ? original : modern;
    const int changes = 1 + int(random() % 8);
    for (int c = 0; c < changes; ++c) file[random() % file.size()] = uint8_t(random());
    if (round % 7 == 0) file.resize(random() % file.size());
    for (const int32_t capacity : {128, 65536}) {
      Scan scan(file, round % 5 != 0, capacity);
      if (round % 5 != 0) ExpectSanePositions(scan);
      if (HasFailure()) return;
    }
  }
}

// Picture headers cut anywhere or damaged anywhere: a size only where the header says one, and
// no read outside the bytes (the sanitizers watch).
TEST(HostileTags, PictureHeadersCutOrDamagedGiveNoSizeOrTheirOwn) {
  const std::string jpeg =
      std::string("\xFF\xD8\xFF\xE0\x00\x10JFIF\0\x01\x01\0\0\x01\0\x01\0\0", 20) +
      std::string("\xFF\xFF\xC2\x00\x11\x08\x00\xF0\x01\x40\x03", 11) + std::string(9, '\x01');
  const std::string png =
      std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\x01\xF4\0\0\x01\x90", 24);
  for (const auto& [bytes, width, height] :
       {std::tuple(jpeg, 320, 240), std::tuple(png, 500, 400)}) {
    const std::optional<TPictureHeader> whole = ReadPictureHeader(bytes);
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->width, width);
    EXPECT_EQ(whole->height, height);
    for (size_t cut = 0; cut < bytes.size(); ++cut) {
      const std::optional<TPictureHeader> part = ReadPictureHeader(bytes.substr(0, cut));
      if (part) {
        EXPECT_EQ(part->width, width);
      }
    }
    std::mt19937 random(7);
    for (int round = 0; round < 2000; ++round) {
      std::string damaged = bytes;
      damaged[random() % damaged.size()] = char(random());
      const std::optional<TPictureHeader> read =
          ReadPictureHeader(damaged.substr(0, random() % damaged.size()));
      if (read) {
        EXPECT_GT(read->width * read->height, 0);
      }
    }
  }
}

}  // namespace
}  // namespace yumekaze::engine

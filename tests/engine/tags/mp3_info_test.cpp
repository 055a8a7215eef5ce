#include "engine/tags/mp3_info.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/stream/mp_assert.h"
#include "engine/tags/genre_table.h"
#include "tag_files.h"

namespace yumekaze::engine {
namespace {

using namespace test_support;
using ::testing::ElementsAre;
using Lines = TMP3Info::TagLines;

TEST(TagReader, FileWithoutTagsIsAllAudio) {
  Scan scan(Audio(10000));
  EXPECT_TRUE(scan.leading_result);
  EXPECT_EQ(scan.info.Found(), 0);
  EXPECT_EQ(scan.info.AudioStart(), 0);
  EXPECT_EQ(scan.info.AudioLength(), 10000);
  EXPECT_EQ(scan.info.GetArtist(), "");
  EXPECT_EQ(scan.info.GetTitle(), "");
}

TEST(TagReader, Id3v23FramesBecomeLinesAndTheAudioStartsBehindThePadding) {
  for (const size_t padding : {0, 20, 25, 3}) {
    SCOPED_TRACE(padding);
    const Bytes tag =
        Id3v2Tag(3, Id3v2TextFrame("TIT2", "Title") + Id3v2TextFrame("TPE1", "Artist") +
                        Id3v2Frame("TXXX", {}) + Bytes(padding, 0));
    Scan scan(tag + Audio(5000));
    EXPECT_EQ(scan.info.Found(), TMP3Info::kFoundId3v2);
    EXPECT_EQ(scan.info.AudioStart(), int64_t(tag.size()));
    EXPECT_EQ(scan.info.AudioLength(), 5000);
    EXPECT_THAT(scan.info.Id3v2Lines(), ElementsAre("TIT2=Title", "TPE1=Artist", "TXXX="));
    EXPECT_EQ(scan.info.GetTitle(), "Title");
    EXPECT_EQ(scan.info.GetArtist(), "Artist");
  }
}

TEST(TagReader, Id3v23ExtendedHeaderIsPassedOver) {
  const Bytes extended = BE32(6) + Bytes(6, 0);
  const Bytes tag = Id3v2Tag(3, extended + Id3v2TextFrame("TIT2", "Song"), 0x40);
  Scan scan(tag + Audio(100));
  EXPECT_EQ(scan.info.AudioStart(), int64_t(tag.size()));
  EXPECT_THAT(scan.info.Id3v2Lines(), ElementsAre("TIT2=Song"));
}

TEST(TagReader, Id3v2VersionsTwoAndFourAreReadToo) {
  const Bytes v22 = Text("TT2") + Bytes{0, 0, 5, 0} + Text("Song");
  const Bytes v24 = Id3v2TextFrame("TIT2", "Song");  // sizes below 128 are the same syncsafe
  for (const auto& [version, frame] : {std::pair{uint8_t{2}, v22}, std::pair{uint8_t{4}, v24}}) {
    const Bytes tag = Id3v2Tag(version, frame + Bytes(100, 0));
    Scan scan(tag + Audio(100));
    EXPECT_EQ(scan.info.Found(), TMP3Info::kFoundId3v2);
    EXPECT_EQ(scan.info.AudioStart(), int64_t(tag.size()));
    EXPECT_EQ(scan.info.Merged().title, "Song");
  }
}

TEST(TagReader, FramesLargerThanTheRingArePassedOverWithoutALine) {
  const Bytes tag =
      Id3v2Tag(3, Id3v2TextFrame("TIT2", "Cover") + Id3v2Frame("APIC", Bytes(70000, 0x55)) +
                      Id3v2TextFrame("TPE1", "Painter"));
  Scan scan(tag + Audio(100));
  EXPECT_EQ(scan.info.AudioStart(), int64_t(tag.size()));
  EXPECT_THAT(scan.info.Id3v2Lines(), ElementsAre("TIT2=Cover", "TPE1=Painter"));
}

TEST(TagReader, Utf16FramesAreConvertedOtherEncodingsKeepTheirBytesAndSeveralValuesAreJoined) {
  const Bytes le = Bytes{1, 0xFF, 0xFE} + Bytes{'A', 0, 0x34, 0x6C, 0, 0, 'x', 0};  // "A水", "x"
  const Bytes be = Bytes{1, 0xFE, 0xFF} + Bytes{0xD8, 0x3D, 0xDE, 0x00};            // U+1F600
  const Bytes plain_be = Bytes{2, 0x30, 0x42};                                      // "あ"
  const Bytes sjis = Bytes{0, 0x82, 0xA0, 0};                                       // "あ", zero
  const Bytes utf8 = Bytes{3} + Text("\xE9\x9F\xB3");
  const Bytes tag =
      Id3v2Tag(3, Id3v2Frame("TIT2", le) + Id3v2Frame("TPE1", be) + Id3v2Frame("TALB", plain_be) +
                      Id3v2Frame("TCOM", sjis) + Id3v2Frame("TEXT", utf8));
  Scan scan(tag + Audio(10));
  EXPECT_THAT(scan.info.Id3v2Lines(),
              ElementsAre("TIT2=A\xE6\xB0\xB4\x1Fx", "TPE1=\xF0\x9F\x98\x80", "TALB=\xE3\x81\x82",
                          "TCOM=\x82\xA0", "TEXT=\xE9\x9F\xB3"));
}

TEST(TagReader, TheLongestTitleWinsAndTheEarlierAtEqualLength) {
  const auto title = [](std::string v1, std::string v2) {
    Scan scan(Id3v2Tag(3, Id3v2TextFrame("TIT2", v2)) + Audio(100) +
              Id3v1Tag({.title = v1, .artist = "Band"}));
    return scan.info.GetTitle();
  };
  EXPECT_EQ(title("Four", "Five5"), "Five5");
  EXPECT_EQ(title("Four", "4444"), "Four");
  EXPECT_EQ(title("", "Only"), "Only");
}

TEST(TagReader, Id3v1FieldsAreCleanedAndListedInOrder) {
  Bytes tag = Id3v1Tag({.title = "  Lead",
                        .artist = "Artist",
                        .album = "Album",
                        .year = "1999",
                        .comment = "Note",
                        .track = 7,
                        .genre = 17});
  std::fill(tag.begin() + 3 + 6, tag.begin() + 33, ' ');  // title padded with spaces
  std::fill(tag.begin() + 63, tag.begin() + 93, ' ');     // album all spaces
  tag[33 + 6] = '\t';                                     // control character after artist
  Scan scan(Audio(1000) + tag);
  EXPECT_EQ(scan.info.Found(), TMP3Info::kFoundId3v1);
  EXPECT_EQ(scan.info.Id3v1Position(), 1000);
  EXPECT_EQ(scan.info.AudioLength(), 1128);  // trailing tags stay in the audio length
  EXPECT_THAT(scan.info.Id3v1Lines(),
              ElementsAre("TITLE=  Lead", "ARTIST=Artist", "ALBUM=", "YEAR=1999", "COMMENT=Note",
                          "GENRE=Rock", "TRACK=7"));
}

TEST(TagReader, Id3v1GenreAndTrackRules) {
  const auto lines = [](Id3v1Fields fields) {
    return Scan(Audio(10) + Id3v1Tag(fields)).info.Id3v1Lines();
  };
  EXPECT_EQ(lines({.genre = 255})[5], "GENRE=Anime(J)");
  EXPECT_EQ(lines({.genre = 200})[5], "GENRE=");
  EXPECT_EQ(lines({.track = 0, .genre = 0})[6], "TRACK=0");
  EXPECT_EQ(lines({.comment = std::string(30, 'c'), .genre = 1}).size(), 6u);
}

TEST(TagReader, GenreTableHoldsTheNamesWhereTheyBelong) {
  int named = 0;
  for (int i = 0; i < 256; ++i) named += !GenreName(uint8_t(i)).empty();
  EXPECT_EQ(named, 156);
  EXPECT_EQ(GenreName(0), "Blues");
  EXPECT_EQ(GenreName(67), "Psychadelic");
  EXPECT_EQ(GenreName(118), "Rhysmic Soul");
  EXPECT_EQ(GenreName(140), "Contemporrary Christian");
  EXPECT_EQ(GenreName(147), "Synthpop");
  EXPECT_EQ(GenreName(148), "");
  EXPECT_EQ(GenreName(247), "");
  EXPECT_EQ(GenreName(248), "Heavy Rock(J)");
  EXPECT_EQ(GenreName(252), "Tecno Ambient(J)");
}

TEST(TagReader, Id3v2AndId3v1AndLyrics3v2Together) {
  const Bytes id3v2 = Id3v2Tag(3, Id3v2TextFrame("TIT2", "Name") + Bytes(40, 0));
  const Bytes lyrics = Lyrics3v2({{"IND", "10"}, {"LYR", "[00:01]la la\r\nla"}, {"EAR", "Sing"}});
  Scan scan(id3v2 + Audio(3000) + lyrics + Id3v1Tag({.title = "Name", .artist = "Singer"}));
  EXPECT_EQ(scan.info.Found(),
            TMP3Info::kFoundId3v1 | TMP3Info::kFoundId3v2 | TMP3Info::kFoundLyrics3);
  EXPECT_EQ(scan.info.AudioStart(), int64_t(id3v2.size()));
  EXPECT_EQ(scan.info.AudioLength(), int64_t(3000 + lyrics.size() + 128));
  EXPECT_THAT(scan.info.Lyrics3Lines(),
              ElementsAre("IND=10", "LYR=[00:01]la la\r\nla", "EAR=Sing"));
  EXPECT_EQ(scan.info.GetArtist(), "Singer");
  EXPECT_EQ(scan.info.GetTitle(), "Name");
}

TEST(TagReader, Lyrics3v1WithAndWithoutId3v1) {
  Scan with_tag(Audio(2000) + Lyrics3v1("Words\r\nmore") + Id3v1Tag({}));
  EXPECT_THAT(with_tag.info.Lyrics3Lines(), ElementsAre("LYRICS=Words\r\nmore"));
  Scan at_end(Audio(2000) + Lyrics3v1("End"));
  EXPECT_EQ(at_end.info.Found(), TMP3Info::kFoundLyrics3);
  EXPECT_THAT(at_end.info.Lyrics3Lines(), ElementsAre("LYRICS=End"));
  // The begin marker must lie within 5100 bytes of the end marker.
  Scan far(Audio(2000) + Lyrics3v1(std::string(5100 - 11 + 1, 'x')));
  EXPECT_TRUE(far.info.Lyrics3Lines().empty());
  Scan near(Audio(2000) + Lyrics3v1(std::string(5100 - 11, 'x')));
  EXPECT_EQ(near.info.Lyrics3Lines().size(), 1u);
}

TEST(TagReader, RiffWaveWithInfoList) {
  const Bytes data = Audio(4001);
  const Bytes info = InfoList({{"INAM", "Wave Title"},
                               {"IART", "Wave Artist"},
                               {"ICMT", ""},
                               {"IID3", "stop"},
                               {"IGNR", "never read"}});
  const Bytes file = RiffWave(data, info);
  Scan scan(file);
  EXPECT_EQ(scan.info.Found(), TMP3Info::kFoundRiffWave);
  EXPECT_EQ(scan.info.AudioStart(), 12 + 38 + 8);
  EXPECT_EQ(scan.info.RiffDataStart(), 58);
  EXPECT_EQ(scan.info.AudioLength(), 4001);
  EXPECT_THAT(scan.info.InfoLines(), ElementsAre("INAM=Wave Title", "IART=Wave Artist"));
  EXPECT_EQ(scan.info.GetTitle(), "Wave Title");
  EXPECT_EQ(scan.info.GetArtist(), "Wave Artist");
}

TEST(TagReader, RiffWaveWithId3v2InsideTheDataChunk) {
  const Bytes id3v2 = Id3v2Tag(3, Id3v2TextFrame("TPE1", "Inner"));
  Scan scan(RiffWave(id3v2 + Audio(1000)));
  EXPECT_EQ(scan.info.Found(), TMP3Info::kFoundRiffWave | TMP3Info::kFoundId3v2);
  EXPECT_EQ(scan.info.AudioStart(), int64_t(58 + id3v2.size()));
  EXPECT_EQ(scan.info.AudioLength(), 1000);
  EXPECT_EQ(scan.info.GetArtist(), "Inner");
}

TEST(TagReader, MacBinaryTrailingTagsAreLookedForAtTheEndOfTheDataFork) {
  const Bytes fork = Audio(1000) + Lyrics3v1("Mac words") + Id3v1Tag({.title = "Mac"});
  // The resource fork ends in a decoy ID3v1 tag that must not be read.
  Scan scan(MacBinary(fork, Bytes(200, 0) + Id3v1Tag({.title = "Decoy"})));
  EXPECT_EQ(scan.info.Found(),
            TMP3Info::kFoundMacBinary | TMP3Info::kFoundId3v1 | TMP3Info::kFoundLyrics3);
  EXPECT_EQ(scan.info.AudioStart(), 128);
  EXPECT_EQ(scan.info.AudioLength(), int64_t(fork.size()));
  EXPECT_EQ(scan.info.MacBinaryDataEnd(), int64_t(128 + fork.size()));
  EXPECT_EQ(scan.info.GetTitle(), "Mac");
  EXPECT_THAT(scan.info.Lyrics3Lines(), ElementsAre("LYRICS=Mac words"));
}

TEST(TagReader, KeysAreLookedUpWithoutRegardToCaseAndTheFirstCounts) {
  const Lines lines = {"tit2=first", "TIT2=second", "TIT=short", "=empty"};
  EXPECT_EQ(TMP3Info::LookupValue(lines, "TIT2"), "first");
  EXPECT_EQ(TMP3Info::LookupValue(lines, "Tit"), "short");
  EXPECT_EQ(TMP3Info::LookupValue(lines, "TPE1"), "");
  Scan scan(Id3v2Tag(3, Id3v2TextFrame("TIT2", "One") + Id3v2TextFrame("TIT2", "Twenty")) +
            Audio(10));
  EXPECT_EQ(scan.info.GetTitle(), "One");
}

TEST(TagReader, UnseekableReaderScansOnlyTheLeadingTags) {
  const Bytes tag = Id3v2Tag(3, Id3v2TextFrame("TIT2", "Live"));
  Scan scan(tag + Audio(100) + Id3v1Tag({.title = "Ignored"}), /*seekable=*/false);
  EXPECT_EQ(scan.info.AudioStart(), int64_t(tag.size()));
  EXPECT_EQ(scan.info.AudioLength(), TMP3Info::kUnknownLength);
  EXPECT_FALSE(scan.info.ScanTrailing());
  EXPECT_TRUE(scan.info.Id3v1Lines().empty());
  EXPECT_EQ(scan.info.GetTitle(), "Live");
}

TEST(TagReader, ClearForgetsEverythingAndScansNeedAReader) {
  Scan scan(Id3v2Tag(3, Id3v2TextFrame("TIT2", "T")) + Audio(10) + Id3v1Tag({}));
  scan.info.Attach(nullptr);
  EXPECT_EQ(scan.info.Reader(), nullptr);
  EXPECT_EQ(scan.info.GetTitle(), "T");  // detaching alone keeps the results
  EXPECT_THROW(scan.info.ScanLeading(), TMPAssertionError);
  scan.info.Attach(&scan.reader);
  EXPECT_EQ(scan.info.Found(), 0);
  EXPECT_EQ(scan.info.GetTitle(), "");
  EXPECT_TRUE(scan.info.Id3v1Lines().empty());
  scan.info.Clear();
  EXPECT_EQ(scan.info.Reader(), nullptr);
  EXPECT_EQ(scan.info.AudioStart(), 0);
  EXPECT_EQ(scan.info.AudioLength(), TMP3Info::kUnknownLength);
  EXPECT_EQ(scan.info.RiffDataLength(), TMP3Info::kUnknownLength);
  EXPECT_THROW(scan.info.ScanTrailing(), TMPAssertionError);
}

}  // namespace
}  // namespace yumekaze::engine

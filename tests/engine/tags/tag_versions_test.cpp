// ID3v2.2/2.3/2.4 features that taggers rarely write but files carry (checked against hand-made
// bytes: the independent writers cannot produce them), APE tags, and the merged fields.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include "engine/tags/mp3_info.h"
#include "tag_files.h"

namespace yumekaze::engine {
namespace {

using namespace test_support;
using ::testing::ElementsAre;

Bytes Compressed(const Bytes& data) {
  uLongf size = compressBound(data.size());
  Bytes out(size);
  compress(out.data(), &size, data.data(), data.size());
  out.resize(size);
  return out;
}

TEST(TagVersions, Id3v22FramesWithTheirOwnNames) {
  const Bytes pic = Bytes{0} + Text("PNG") + Bytes{3} + Text("d") + Bytes{0} + Bytes(40, 9);
  const Bytes tag = Id3v2Tag(
      2,
      Id3v22Frame("TT2", Bytes{0} + Text("Old")) + Id3v22Frame("TP1", Bytes{0} + Text("Band")) +
          Id3v22Frame("COM", Bytes{0} + Text("eng") + Bytes{0} + Text("Said")) +
          Id3v22Frame("TXX", Bytes{0} + Text("REPLAYGAIN_TRACK_GAIN") + Bytes{0} + Text("-2 dB")) +
          Id3v22Frame("TCO", Bytes{0} + Text("(8)")) + Id3v22Frame("PIC", pic) + Bytes(6, 0));
  Scan scan(tag + Audio(50));
  EXPECT_EQ(scan.info.AudioStart(), int64_t(tag.size()));
  const TTagFields fields = scan.info.Merged();
  EXPECT_EQ(fields.title, "Old");
  EXPECT_EQ(fields.artist, "Band");
  EXPECT_EQ(fields.comment, "Said");
  EXPECT_EQ(fields.genre, "Jazz");
  EXPECT_EQ(fields.replay_gain.track_gain, -2.0);
  EXPECT_TRUE(fields.picture.present);
  EXPECT_EQ(fields.picture.mime, "image/png");
  EXPECT_EQ(fields.picture.size, 40);
}

TEST(TagVersions, UnsynchronisationCompressionAndFrameFlags) {
  // 0xFF bytes in the text make unsynchronisation visible: "ÿ" in ISO-8859-1.
  const Bytes title = Bytes{0} + Text(
                                     "A\xFF\xFF"
                                     "B");
  const Bytes artist = Bytes{0} + Text("Compressed artist");
  // 2.3: the whole tag unsynchronised; a compressed frame (decompressed size in front); an
  // encrypted frame passed over; a grouped frame.
  const Bytes v23_frames =
      Id3v2Frame("TIT2", title) + Text("TPE1") + BE32(uint32_t(4 + Compressed(artist).size())) +
      Bytes{0, 0x80} + BE32(uint32_t(artist.size())) + Compressed(artist) + Text("TALB") + BE32(8) +
      Bytes{0, 0x40} + Bytes{0x80} + Bytes{0} + Text("Secret") + Text("TCON") + BE32(6) +
      Bytes{0, 0x20} + Bytes{1} + Bytes{0} + Text("Jazz");
  const Bytes v23 = Id3v2Tag(3, Unsynchronise(v23_frames), 0x80);
  // 2.4: per-frame unsynchronisation with a data length indicator; a compressed frame.
  const Bytes v24_frames =
      Id3v24Frame("TIT2", SyncSafe(uint32_t(title.size())) + Unsynchronise(title), 0x03) +
      Id3v24Frame("TPE1", SyncSafe(uint32_t(artist.size())) + Compressed(artist), 0x09) +
      Id3v24Frame("TALB", Bytes{0x80} + Bytes{0} + Text("Secret"), 0x04) +
      Id3v24Frame("TCON", Bytes{1} + Bytes{0} + Text("Jazz"), 0x40);
  const Bytes v24 = Id3v2Tag(4, v24_frames);
  for (const Bytes& tag : {v23, v24}) {
    Scan scan(tag + Audio(50));
    EXPECT_EQ(scan.info.AudioStart(), int64_t(tag.size()));
    EXPECT_THAT(scan.info.Id3v2Lines(), ElementsAre("TIT2=A\xFF\xFF"
                                                    "B",
                                                    "TPE1=Compressed artist", "TCON=Jazz"));
  }
}

TEST(TagVersions, Id3v24FramesWithPlainSizes) {
  // 300 is 0x12C: read as syncsafe it would be 172 and land inside the text.
  const Bytes text = Bytes{3} + Bytes(299, 'a');
  const Bytes plain = Text("TIT2") + BE32(300) + Bytes{0, 0} + text;
  const std::pair<Bytes, std::string> rests[] = {
      {Id3v24Frame("TPE1", Bytes{3} + Text("Next")), "Next"}, {Bytes(20, 0), ""}, {{}, ""}};
  for (const auto& [rest, artist] : rests) {
    Scan scan(Id3v2Tag(4, plain + rest) + Audio(10));
    EXPECT_EQ(scan.info.Merged().title, std::string(299, 'a'));
    EXPECT_EQ(scan.info.Merged().artist, artist);
  }
}

TEST(TagVersions, Id3v24ExtendedHeaderFooterAndAppendedTag) {
  const Bytes extended = SyncSafe(6) + Bytes{1, 0};
  const Bytes body = extended + Id3v24Frame("TIT2", Bytes{3} + Text("Front"));
  const Bytes front =
      Id3v2Tag(4, body, 0x50) + Text("3DI") + Bytes{4, 0, 0x50} + SyncSafe(uint32_t(body.size()));
  const Bytes appended_body = Id3v24Frame("TPE1", Bytes{3} + Text("Behind"));
  const Bytes appended = Id3v2Tag(4, appended_body, 0x10) + Text("3DI") + Bytes{4, 0, 0x10} +
                         SyncSafe(uint32_t(appended_body.size()));
  Scan scan(front + Audio(500) + appended + Id3v1Tag({.title = "v1"}));
  EXPECT_EQ(scan.info.Found(),
            TMP3Info::kFoundId3v2 | TMP3Info::kFoundId3v2Appended | TMP3Info::kFoundId3v1);
  EXPECT_EQ(scan.info.AudioStart(), int64_t(front.size()));
  EXPECT_EQ(scan.info.AudioLength(), 500);
  EXPECT_EQ(scan.info.Merged().title, "Front");
  EXPECT_EQ(scan.info.Merged().artist, "Behind");
}

TEST(TagVersions, ApeTagsWithAndWithoutHeaderAreNoAudio) {
  const std::vector<std::pair<std::string, std::string>> items = {
      {"Title", "Ape"}, {"Artist", std::string("One\0Two", 7)}, {"REPLAYGAIN_ALBUM_PEAK", "0.5"}};
  for (const auto& [version, header] : {std::pair{2000u, true}, {2000u, false}, {1000u, false}}) {
    const Bytes ape = ApeTag(items, version, header);
    for (const Bytes& trailer : {Bytes{}, Id3v1Tag({.title = "v1"}),
                                 Lyrics3v2({{"LYR", "la"}}) + Id3v1Tag({.title = "v1"})}) {
      Scan scan(Audio(300) + ape + trailer);
      EXPECT_TRUE(scan.info.Found() & TMP3Info::kFoundApe);
      EXPECT_EQ(scan.info.AudioLength(), 300);
      EXPECT_THAT(scan.info.ApeLines(),
                  ElementsAre("Title=Ape", "Artist=One\x1FTwo", "REPLAYGAIN_ALBUM_PEAK=0.5"));
      EXPECT_EQ(scan.info.Merged().title, "Ape");
      EXPECT_EQ(scan.info.Merged().replay_gain.album_peak, 0.5);
    }
  }
}

TEST(TagVersions, MergedFieldsTakeEachFieldFromTheFirstTagThatHasIt) {
  const Bytes id3v2 = Id3v2Tag(4, Id3v24Frame("TIT2", Bytes{3} + Text("From ID3v2")) +
                                      Id3v24Frame("TCON", Bytes{3} + Text("(17)Rock & Roll")));
  const Bytes ape = ApeTag({{"Artist", "From APE"}, {"Genre", "Jazz"}});
  const auto merged = [&](const Id3v1Fields& v1, const Bytes& front = {}) {
    Scan scan(front + Audio(100) + ape + Id3v1Tag(v1));
    return scan.info.Merged();
  };
  const TTagFields all =
      merged({.title = "t", .artist = "a", .album = "From ID3v1", .genre = 8}, id3v2);
  EXPECT_EQ(all.title, "From ID3v2");
  EXPECT_EQ(all.artist, "From APE");
  EXPECT_EQ(all.album, "From ID3v1");
  EXPECT_EQ(all.genre, "Rock & Roll");  // a reference refined by text
  // Genre byte 255 and track 0 are none; the raw lines keep them.
  Scan none(Audio(100) + Id3v1Tag({.title = "t", .track = 0, .genre = 255}));
  EXPECT_EQ(none.info.Merged().genre, "");
  EXPECT_EQ(none.info.Merged().track, "");
  EXPECT_EQ(TMP3Info::LookupValue(none.info.Id3v1Lines(), "GENRE"), "Anime(J)");
  EXPECT_EQ(TMP3Info::LookupValue(none.info.Id3v1Lines(), "TRACK"), "0");
}

TEST(TagVersions, GenreReferencesAndReplayGainForms) {
  const std::pair<const char*, const char*> genres[] = {
      {"17", "Rock"},    {"(17)", "Rock"},          {"(17)(8)", "Rock\x1FJazz"},
      {"(RX)", "Remix"}, {"((Parens)", "(Parens)"}, {"Shoegaze", "Shoegaze"},
      {"300", "300"}};
  for (const auto& [written, shown] : genres) {
    Scan scan(Id3v2Tag(3, Id3v2TextFrame("TCON", written)) + Audio(10));
    EXPECT_EQ(scan.info.Merged().genre, shown) << written;
  }
  const std::pair<const char*, std::optional<double>> gains[] = {
      {"-6.48 dB", -6.48}, {"+2.5 DB", 2.5}, {"1.25", 1.25}, {" -0.5dB ", -0.5}, {"loud", {}}};
  for (const auto& [written, value] : gains) {
    const Bytes frame =
        Id3v2Frame("TXXX", Bytes{0} + Text("Replaygain_Track_Gain") + Bytes{0} + Text(written));
    Scan scan(Id3v2Tag(3, frame) + Audio(10));
    EXPECT_EQ(scan.info.Merged().replay_gain.track_gain, value) << written;
  }
}

}  // namespace
}  // namespace yumekaze::engine

// ICY demultiplexing of a stream built here, fed in pieces of every size, and the cleaning of the
// titles stations send.
#include "engine/stream/icy_metadata.h"

#include <gtest/gtest.h>

#include <random>

namespace yumekaze::engine {
namespace {

// A block as a server sends it: its length byte (in units of 16) and the text padded with NULs.
std::string Block(const std::string& text) {
  const size_t units = (text.size() + 15) / 16;
  std::string block(1, static_cast<char>(units));
  block += text;
  block.resize(1 + units * 16, '\0');
  return block;
}

TEST(IcyMetadata, TakesTheBlocksOutOfTheAudioWhateverThePiecesAreCut) {
  constexpr int64_t kInterval = 100;
  std::mt19937 random(3);
  std::vector<uint8_t> audio(1000);
  for (uint8_t& byte : audio) byte = static_cast<uint8_t>(random());
  // Every tenth block is empty ("no change"); the longest one the protocol allows is among them.
  std::vector<std::string> sent;
  std::string stream;
  for (size_t at = 0; at < audio.size(); at += kInterval) {
    stream.append(audio.begin() + static_cast<long>(at),
                  audio.begin() + static_cast<long>(at) + kInterval);
    const size_t n = at / kInterval;
    const std::string text = n == 3 ? std::string(TIcyDemuxer::kMaxBlock, 'x')
                                    : "StreamTitle='Song " + std::to_string(n) + "';";
    if (n % 10 == 9) {
      stream += '\0';
    } else {
      sent.push_back(Block(text).substr(1));
      stream += Block(text);
    }
  }
  for (size_t piece : {size_t{1}, size_t{7}, size_t{100}, size_t{101}, stream.size()}) {
    TIcyDemuxer demuxer(kInterval);
    std::vector<uint8_t> got;
    std::vector<std::string> blocks;
    for (size_t at = 0; at < stream.size(); at += piece) {
      const size_t n = std::min(piece, stream.size() - at);
      demuxer.Feed(reinterpret_cast<const uint8_t*>(stream.data()) + at, n, got, blocks);
    }
    EXPECT_EQ(got, audio) << "pieces of " << piece;
    EXPECT_EQ(blocks, sent) << "pieces of " << piece;
  }
}

TEST(IcyMetadata, TitlesAreReadAndCleaned) {
  EXPECT_EQ(StreamTitleOf("StreamTitle='It's Me - Song';StreamUrl='x';"), "It's Me - Song");
  EXPECT_EQ(StreamTitleOf(std::string("StreamTitle='A - B'\0\0\0", 20)), "A - B");
  EXPECT_EQ(StreamTitleOf("StreamUrl='x';"), "");
  // Latin-1 and Windows-1252 bytes become UTF-8; UTF-8 stays.
  EXPECT_EQ(CleanStationText("Caf\xE9 \x93Song\x94"), "Caf\xC3\xA9 \xE2\x80\x9CSong\xE2\x80\x9D");
  EXPECT_EQ(CleanStationText("Caf\xC3\xA9"), "Caf\xC3\xA9");
  // Stray and enclosing quotes, control characters and runs of spaces.
  EXPECT_EQ(CleanStationText("  \"'Artist -\t\tTitle'\"  "), "Artist - Title");
  EXPECT_EQ(CleanStationText("'Artist - Title"), "Artist - Title");
  EXPECT_EQ(CleanStationText("Rock 'n' Roll"), "Rock 'n' Roll");
  EXPECT_EQ(CleanStationText("''"), "");
  EXPECT_EQ(CleanStationText(" \x01 "), "");
  std::string artist, song;
  SplitStreamTitle("A - B - C", artist, song);
  EXPECT_EQ(artist + "|" + song, "A|B - C");
  SplitStreamTitle("Just a title", artist, song);
  EXPECT_EQ(artist + "|" + song, "|Just a title");
}

}  // namespace
}  // namespace yumekaze::engine

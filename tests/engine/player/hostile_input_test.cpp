// Damaged and hostile streams: each either opens and plays to its end or is refused as not MPEG
// audio; nothing crashes, hangs or reads outside its buffers (run under the sanitizers).
#include <gtest/gtest.h>

#include <random>

#include "engine/stream/memory_stream.h"
#include "platform/audio/null_wave_device.h"
#include "player_test_support.h"

namespace yumekaze::engine::test {
namespace {

// Plays bytes to their end on a device that consumes at once; false when the player hung.
void ExpectPlaysOrRefuses(const Bytes& bytes, const std::string& what) {
  SCOPED_TRACE(what);
  RecordingPlayer recorder(std::make_unique<platform::TNullWaveDevice>(0.0));
  try {
    recorder.player().OpenStream(new TMPMemoryStream(bytes),
                                 TMP3Player::kStreamSeekable | TMP3Player::kStreamOwned);
  } catch (const TMPFormatError&) {
    EXPECT_FALSE(recorder.player().Opened());
    return;
  }
  ASSERT_TRUE(recorder.PlayToEnd()) << "playback hung";
  EXPECT_EQ(recorder.EndPlayCount(meprEndOfStream), 1);
}

std::vector<Bytes> Sources() {
  std::vector<Bytes> sources;
  for (const auto& path : {Streams().layer2, Streams().layer2_free, Streams().layer3}) {
    if (!path.empty()) sources.push_back(ReadFileBytes(path));
  }
  return sources;
}

TEST(PlayerHostileInput, CorruptedBytes) {
  std::mt19937 random(4);
  for (const Bytes& source : Sources()) {
    for (int round = 0; round < 6; ++round) {
      Bytes damaged = source;
      const int flips = 20 << round;
      std::uniform_int_distribution<size_t> at(0, damaged.size() - 1);
      for (int i = 0; i < flips; ++i) damaged[at(random)] = static_cast<uint8_t>(random());
      ExpectPlaysOrRefuses(damaged, "flips " + std::to_string(flips));
    }
  }
}

TEST(PlayerHostileInput, SyncPatternsEverywhere) {
  std::mt19937 random(5);
  for (const Bytes& source : Sources()) {
    Bytes damaged = source;
    std::uniform_int_distribution<size_t> at(16, damaged.size() - 4);
    // Headers copied from the stream itself to random places, so that false frames pass the check.
    for (int i = 0; i < 300; ++i) {
      const size_t to = at(random);
      std::copy(source.begin(), source.begin() + 4, damaged.begin() + static_cast<long>(to));
    }
    ExpectPlaysOrRefuses(damaged, "copied headers");
  }
}

TEST(PlayerHostileInput, TruncatedEverywhere) {
  for (const Bytes& source : Sources()) {
    for (const size_t keep :
         {size_t{1}, size_t{3}, size_t{4}, size_t{5}, size_t{100}, size_t{417}, size_t{1023},
          size_t{1024}, size_t{1025}, size_t{1441}, size_t{5000}, source.size() / 2}) {
      ExpectPlaysOrRefuses(Bytes(source.begin(), source.begin() + static_cast<long>(keep)),
                           "first " + std::to_string(keep) + " bytes");
    }
  }
}

TEST(PlayerHostileInput, GarbageAndDegenerateFiles) {
  std::mt19937 random(6);
  Bytes garbage(60000);
  for (uint8_t& byte : garbage) byte = static_cast<uint8_t>(random());
  ExpectPlaysOrRefuses(garbage, "random bytes");
  ExpectPlaysOrRefuses(Bytes(60000, 0xFF), "all 0xFF");
  ExpectPlaysOrRefuses(Bytes(), "empty");
  // Valid-looking free-format headers and nothing behind them.
  Bytes free_headers;
  for (int i = 0; i < 500; ++i) free_headers.insert(free_headers.end(), {0xFF, 0xFD, 0x04, 0xC4});
  ExpectPlaysOrRefuses(free_headers, "free-format headers only");
  // A "Xing" frame with absurd counts and nothing else.
  if (!Streams().layer2.empty()) {
    const Bytes source = ReadFileBytes(Streams().layer2);
    Bytes xing(Bytes(source.begin(), source.begin() + 626));
    std::fill(xing.begin() + 4, xing.end(), 0xFF);
    std::copy_n("Xing\0\0\0\3", 8, xing.begin() + 36);
    ExpectPlaysOrRefuses(xing, "Xing frame alone");
  }
}

}  // namespace
}  // namespace yumekaze::engine::test

// Seeking in the player: the PCM after a seek is the reference decode from that sample on; paused
// stays paused; past the end ends the file as its end would; a stream that cannot seek refuses.
#include <gtest/gtest.h>

#include "engine/stream/memory_stream.h"
#include "player_test_support.h"

namespace yumekaze::engine::test {
namespace {

// What the device recorded: some audio from the start, played before the seek, then the reference
// from the target to the end.
void ExpectPrefixThenFrom(const Bytes& recorded, const Bytes& reference, size_t target) {
  ASSERT_LE(target, reference.size());
  const size_t tail = reference.size() - target;
  ASSERT_GE(recorded.size(), tail);
  const size_t prefix = recorded.size() - tail;
  ASSERT_LE(prefix, reference.size());
  EXPECT_TRUE(std::equal(recorded.begin(), recorded.begin() + prefix, reference.begin()))
      << "before the seek";
  EXPECT_TRUE(std::equal(recorded.begin() + prefix, recorded.end(), reference.begin() + target))
      << "after the seek to byte " << target;
}

TEST(PlayerSeek, PcmAfterASeekIsTheReferenceFromThere) {
  if (Streams().layer2.empty()) GTEST_SKIP() << "twolame is not installed";
  for (const auto& stream : {Streams().layer2, Streams().layer3}) {
    const Bytes reference = ReferencePcm(ReadFileBytes(stream));
    if (reference.empty()) continue;
    for (const int64_t ms : {1, 500, 2345, 3100}) {
      SCOPED_TRACE(stream.filename().string() + " at " + std::to_string(ms) + " ms");
      TempDir dir;
      RecordingPlayer recorder(dir / "out.wav", 0);
      TMP3Player& player = recorder.player();
      player.SetFileName(stream.string());
      player.Play();
      player.Pause();
      ASSERT_TRUE(player.Seek(ms));
      EXPECT_EQ(player.Status(), kStatusPaused);
      player.Resume();
      ASSERT_TRUE(recorder.PumpUntil([&] { return recorder.EndPlayCount(meprEndOfStream) == 1; }));
      ExpectPrefixThenFrom(WavSamples(dir / "out.wav"), reference,
                           static_cast<size_t>(ms * player.SampleRate() / 1000 * 4));
    }
  }
}

TEST(PlayerSeek, PastTheEndEndsTheFileAndStreamsThatCannotSeekRefuse) {
  if (Streams().layer2.empty()) GTEST_SKIP() << "twolame is not installed";
  RecordingPlayer recorder(std::make_unique<FailingWaveDevice>(1 << 30));
  TMP3Player& player = recorder.player();
  player.SetFileName(Streams().layer2.string());
  EXPECT_FALSE(player.Seek(100)) << "seeked while stopped";
  player.Play();
  ASSERT_TRUE(player.Seek(60 * 60 * 1000));
  ASSERT_TRUE(recorder.PumpUntil([&] { return recorder.EndPlayCount(meprEndOfStream) == 1; }));
  EXPECT_EQ(player.Status(), kStatusStopped);

  player.OpenStream(new TMPMemoryStream(ReadFileBytes(Streams().layer2)), TMP3Player::kStreamOwned);
  player.Play();
  EXPECT_FALSE(player.Seek(1000));
  EXPECT_EQ(player.Status(), kStatusPlaying);
}

}  // namespace
}  // namespace yumekaze::engine::test

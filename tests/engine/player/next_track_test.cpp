// Gapless track changes: a next file of the same format follows on the open device with nothing
// between; one of another format does not, and playback ends as usual.
#include <gtest/gtest.h>

#include "player_test_support.h"

namespace yumekaze::engine::test {
namespace {

TEST(NextTrack, SameFormatFollowsWithoutAGapAndAnotherFormatEndsAsUsual) {
  if (Streams().layer2.empty()) GTEST_SKIP() << "twolame is not installed";
  TempDir dir;
  RecordingPlayer recorder(dir / "out.wav", 0);
  TMP3Player& player = recorder.player();
  int next_tracks = 0;
  player.SetOnNextTrack([&](TMP3Player& sender) {
    if (++next_tracks == 1) sender.SetNextFile(Streams().layer2_48.string());
  });

  // 44.1 kHz stereo, then the same at another bitrate, then 48 kHz, which cannot follow.
  player.SetFileName(Streams().layer2_short.string());
  player.SetNextFile(Streams().layer2_128.string());
  player.Play();
  ASSERT_TRUE(recorder.PumpUntil([&] { return next_tracks == 1; }));
  EXPECT_EQ(player.FileName(), Streams().layer2_128.string());
  EXPECT_EQ(recorder.EndPlayCount(meprEndOfStream), 0);
  ASSERT_TRUE(recorder.PumpUntil([&] { return recorder.EndPlayCount(meprEndOfStream) == 1; }));
  EXPECT_EQ(next_tracks, 1) << "a 48 kHz file followed on a 44.1 kHz device";
  EXPECT_EQ(player.FileName(), Streams().layer2_128.string());

  Bytes expected = ReferencePcm(ReadFileBytes(Streams().layer2_short));
  const Bytes second = ReferencePcm(ReadFileBytes(Streams().layer2_128));
  expected.insert(expected.end(), second.begin(), second.end());
  EXPECT_TRUE(WavSamples(dir / "out.wav") == expected);
}

}  // namespace
}  // namespace yumekaze::engine::test

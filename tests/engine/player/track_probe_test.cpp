// The track probe: its length is the number of samples the player plays, from the header frame's
// count or from a scan of the frame headers; files it cannot read give a reason, never a throw or
// a hang.
#include "engine/player/track_probe.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "player_test_support.h"

namespace yumekaze::engine::test {
namespace {

namespace fs = std::filesystem;

// Samples per channel the player plays of a file.
int64_t PlayedSamples(const fs::path& file, const TempDir& dir) {
  RecordingPlayer recorder(dir / "played.wav", 0);
  recorder.player().SetFileName(file.string());
  const int channels = recorder.player().Channels();
  EXPECT_TRUE(recorder.PlayToEnd());
  return static_cast<int64_t>(WavSamples(dir / "played.wav").size()) / (2 * channels);
}

TEST(TrackProbe, LengthIsWhatThePlayerPlaysWithOrWithoutAHeaderFrame) {
  TempDir dir;
  // Layer II without a header frame is scanned; Layer III with a LAME tag is counted and trimmed.
  for (const fs::path& file : {Streams().layer2, Streams().layer2_free, Streams().layer3}) {
    if (file.empty()) continue;
    const TMPProbeOutcome probe = ProbeTrack(file.string());
    ASSERT_TRUE(probe.Track) << file << ": " << probe.Error;
    const int64_t played = PlayedSamples(file, dir);
    ASSERT_TRUE(probe.Track->Samples) << file;
    EXPECT_EQ(*probe.Track->Samples, played) << file;
    EXPECT_EQ(probe.Track->LengthMs(), played * 1000 / probe.Track->SampleRate()) << file;
    EXPECT_EQ(probe.Track->Fields.title, file.filename().string()) << "untagged: named by file";
  }
}

TEST(TrackProbe, FilesThatCannotBeReadGiveTheReason) {
  TempDir dir;
  std::ofstream(dir / "text.mp3") << std::string(3000, 'x');
  ASSERT_EQ(::mkfifo((dir / "fifo.mp3").c_str(), 0600), 0);
  const std::pair<fs::path, std::string> cases[] = {
      {dir / "missing.mp3", "No such file"},
      {dir / "text.mp3", "unknown MPEG Audio format."},
      {dir / "fifo.mp3", "Not a regular file"},  // refused before opening, which would block
      {dir.Path(), "Is a directory"},
  };
  for (const auto& [path, reason] : cases) {
    const TMPProbeOutcome probe = ProbeTrack(path.string());
    EXPECT_FALSE(probe.Track) << path;
    EXPECT_NE(probe.Error.find(reason), std::string::npos) << path << ": " << probe.Error;
  }
}

}  // namespace
}  // namespace yumekaze::engine::test

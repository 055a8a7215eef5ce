// The PulseAudio device against a real server of the test's own (Debian's pulseaudio), with a
// pipe sink whose output is compared with what yumekaze-cli decode makes of the same file.
#include "platform/audio/pulse_wave_device.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "engine/sound/sound_out.h"
#include "notice_recorder.h"
#include "play_through.h"
#include "pulse_test_server.h"

namespace yumekaze::platform {
namespace {

namespace fs = std::filesystem;
using testing::ChildProcess;
using testing::PlayedExactly;

// A loaded machine (the sanitizer runs) can let the sound server run dry between two buffers: the
// silence it plays there loses nothing, so that many gaps are allowed beside the ones a test makes.
constexpr int kServerUnderruns = 3;
using testing::PulseTestServer;
using testing::SinkCapture;

const fs::path kConformance = fs::path(YUMEKAZE_SHARED_DIR) / "conformance";

std::vector<uint8_t> ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

class PulseWaveDevice : public ::testing::Test {
 protected:
  void SetUp() override {
    server_ = std::make_unique<PulseTestServer>();
    if (!server_->Problem().empty()) GTEST_SKIP() << server_->Problem();
  }

  // What the decoder makes of a file: the samples that must reach the sink.
  std::vector<uint8_t> Decoded(const fs::path& file) {
    if (!fs::exists(file)) return {};
    const fs::path out = server_->Dir() / "decoded.raw";
    ChildProcess decode({YUMEKAZE_CLI, "decode", file.string(), "-o", out.string()},
                        server_->Dir());
    EXPECT_TRUE(decode.Wait());
    EXPECT_EQ(decode.ExitCode(), 0) << decode.Errors();
    return ReadAll(out);
  }

  // The sink input's block in `pactl list sink-inputs`, once our stream shows there.
  std::string WaitForSinkInput() {
    std::string list;
    const auto limit = std::chrono::steady_clock::now() + testing::kPulseDeadline;
    while (std::chrono::steady_clock::now() < limit) {
      list = server_->Pactl({"list", "sink-inputs"});
      if (list.find("application.name = \"Yumekaze\"") != std::string::npos) return list;
    }
    return {};
  }

  // A sine tone of `seconds` as an MP3 file with these tags; empty when sox or lame is missing.
  fs::path TaggedTone(const std::string& name, int seconds, const std::string& title,
                      const std::string& artist) {
    const fs::path wav = server_->Dir() / (name + ".wav");
    const fs::path mp3 = server_->Dir() / (name + ".mp3");
    ChildProcess sox({"sox", "-n", "-r", "44100", "-c", "2", wav.string(), "synth",
                      std::to_string(seconds), "sine", "440"},
                     server_->Dir());
    if (!sox.Wait() || sox.ExitCode() != 0) return {};
    ChildProcess lame(
        {"lame", "--quiet", "--tt", title, "--ta", artist, wav.string(), mp3.string()},
        server_->Dir());
    if (!lame.Wait() || lame.ExitCode() != 0) return {};
    return mp3;
  }

  // The index of our stream in `pactl list short sink-inputs`.
  std::string SinkInputIndex() {
    const std::string list = server_->Pactl({"list", "short", "sink-inputs"});
    return list.substr(0, list.find('\t'));
  }

  std::unique_ptr<PulseTestServer> server_;
};

TEST_F(PulseWaveDevice, PlaysLayer2AndLayer3ExactlyAsDecoded) {
  for (const char* name : {"l2-fl11.bit", "l3-hecommon.bit"}) {  // 44100 Hz stereo both
    SCOPED_TRACE(name);
    const std::vector<uint8_t> expected = Decoded(kConformance / name);
    if (expected.empty()) GTEST_SKIP() << "conformance streams missing in " << kConformance;
    SinkCapture sink(*server_, "exact", 44100, 2);
    ChildProcess play(
        {YUMEKAZE_CLI, "play", "--device", "pulse:exact", (kConformance / name).string()},
        server_->Dir());
    ASSERT_TRUE(play.Wait());
    EXPECT_EQ(play.ExitCode(), 0) << play.Errors();
    // Played means the server reported it played; the sink's own latency may still hold a bit.
    sink.WaitForSize(sink.Size() + 44100);
    std::string why;
    EXPECT_TRUE(PlayedExactly(sink.Bytes(), expected, 4, kServerUnderruns, why)) << why;
  }
}

TEST_F(PulseWaveDevice, PauseCorksWithoutLossAndResetDropsWhatIsQueued) {
  const std::vector<uint8_t> pcm = Decoded(kConformance / "l3-he_free.bit");  // 1.8 s stereo
  if (pcm.empty()) GTEST_SKIP() << "conformance streams missing in " << kConformance;
  SinkCapture sink(*server_, "pausing", 44100, 2);
  engine::TSoundOut out(std::make_unique<TPulseWaveDevice>("pausing"));
  out.Open();
  bool paused = false;
  testing::PlayThrough(out, pcm, [&](std::size_t written) {
    if (paused || written < pcm.size() / 2) return;
    paused = true;
    out.Pause();
    EXPECT_NE(WaitForSinkInput().find("Corked: yes"), std::string::npos);
    // While corked the sink plays only silence: a second of it, after the little the sink had
    // already taken when the stream corked.
    const std::size_t from = sink.Size() + 44100;
    ASSERT_TRUE(sink.WaitForSize(from + 4 * 44100));
    const std::vector<uint8_t> quiet = sink.Bytes();
    EXPECT_TRUE(std::all_of(quiet.begin() + from, quiet.begin() + from + 4 * 44100,
                            [](uint8_t byte) { return byte == 0; }));
    out.Unpause();
  });
  ASSERT_TRUE(paused);
  sink.WaitForSize(sink.Size() + 44100);
  std::string why;
  EXPECT_TRUE(PlayedExactly(sink.Bytes(), pcm, 4, 1 + kServerUnderruns, why)) << why;

  // Reset: two seconds queued, dropped as soon as the first samples arrive. Once the sink has
  // played long enough for all of it, none of the last buffer may be there.
  const std::vector<uint8_t> queued = testing::TestPcm(4 * 88200);
  const std::size_t before = sink.Size();
  ASSERT_EQ(out.Write(queued), queued.size());
  ASSERT_TRUE(sink.WaitForSize(before + 4410 * 4));
  out.Reset();
  ASSERT_TRUE(sink.WaitForSize(sink.Size() + queued.size() + 88200));
  const std::vector<uint8_t> all = sink.Bytes();
  const auto last = std::span(queued).subspan(3 * 88200, 64);
  EXPECT_TRUE(std::search(all.begin(), all.end(), last.begin(), last.end()) == all.end())
      << "audio queued before Reset reached the sink";
  out.Close();
}

TEST_F(PulseWaveDevice, EveryBufferArrivesAndAPartialLastFrameEndsInSilence) {
  // Three full buffers and a short one ending in half a frame: sent across pool blocks and
  // reported done in pairs, the last on its own.
  std::vector<uint8_t> pcm = testing::TestPcm(3 * 88200 + 4410 * 4 + 2);
  SinkCapture sink(*server_, "padding", 44100, 2);
  engine::TSoundOut out(std::make_unique<TPulseWaveDevice>("padding"));
  out.Open();
  testing::PlayThrough(out, pcm);
  out.Close();
  sink.WaitForSize(sink.Size() + 44100);
  pcm.insert(pcm.end(), {0, 0});
  std::string why;
  EXPECT_TRUE(PlayedExactly(sink.Bytes(), pcm, 4, kServerUnderruns, why)) << why;
}

TEST_F(PulseWaveDevice, StreamCarriesThePlayerAndTheSong) {
  const fs::path mp3 = TaggedTone("tone", 20, "風の歌", "Yume Band");
  if (mp3.empty()) GTEST_SKIP() << "sox or lame is missing";

  // auto finds the server; the player's volume is the stream's.
  ChildProcess play({YUMEKAZE_CLI, "play", "--volume", "50", mp3.string()}, server_->Dir());
  const std::string list = WaitForSinkInput();
  for (const char* property :
       {"application.name = \"Yumekaze\"", "application.id = \"io.github.yumekaze.Yumekaze\"",
        "application.icon_name = \"io.github.yumekaze.Yumekaze\"", "media.role = \"music\"",
        "media.title = \"風の歌\"", "media.artist = \"Yume Band\"", "front-left: 32767 /  50%"}) {
    EXPECT_NE(list.find(property), std::string::npos) << property << " not in\n" << list;
  }

  // The server dies mid-play: playback stops with a message that says so, and nothing hangs.
  server_->Kill();
  ASSERT_TRUE(play.Wait()) << "still playing after the server died";
  EXPECT_EQ(play.ExitCode(), 1);
  EXPECT_NE(play.Errors().find("The sound server went away"), std::string::npos) << play.Errors();
}

TEST_F(PulseWaveDevice, TheSameStreamNamesTheSongThatFollowsWithoutAGap) {
  // The first file plays for seconds after the stream appears before the second follows it.
  const fs::path first = TaggedTone("first", 8, "First Song", "First Band");
  const fs::path second = TaggedTone("second", 20, "Second Song", "Second Band");
  if (first.empty() || second.empty()) GTEST_SKIP() << "sox or lame is missing";

  ChildProcess play({YUMEKAZE_CLI, "play", first.string(), second.string()}, server_->Dir());
  const std::string before = WaitForSinkInput();
  EXPECT_NE(before.find("media.title = \"First Song\""), std::string::npos) << before;
  const std::string index = SinkInputIndex();
  std::string after;
  EXPECT_TRUE(testing::PollUntil([&] {
    after = server_->Pactl({"list", "sink-inputs"});
    return after.find("media.title = \"Second Song\"") != std::string::npos;
  })) << after;
  for (const char* property : {"media.name = \"Second Song\"", "media.artist = \"Second Band\""}) {
    EXPECT_NE(after.find(property), std::string::npos) << property << " not in\n" << after;
  }
  EXPECT_EQ(SinkInputIndex(), index) << "the second file did not follow on the same stream";
  EXPECT_TRUE(play.Running()) << play.Errors();
}

TEST_F(PulseWaveDevice, FollowsTheMixersVolumeAndMuteButNotItsOwnChanges) {
  engine::TSoundOut out(std::make_unique<TPulseWaveDevice>());
  std::atomic<int> changes{0};
  out.SetOnDeviceVolume([&](engine::TSoundOut&) { ++changes; });
  out.SetVolume(70);
  out.Open();
  ASSERT_FALSE(WaitForSinkInput().empty());
  const std::string index = SinkInputIndex();
  const auto mixer = [&](const char* command, const char* value) {
    bool ok = false;
    server_->Pactl({command, index, value}, &ok);
    EXPECT_TRUE(ok) << command << " " << index << " " << value;
  };
  const auto changed = [&](int count) {
    return testing::PollUntil([&] { return changes >= count; });
  };

  out.SetVolume(60);  // ours: it must not come back as the mixer's
  mixer("set-sink-input-volume", "30%");
  ASSERT_TRUE(changed(1));
  EXPECT_EQ(out.FollowDeviceVolume(), 30);
  mixer("set-sink-input-mute", "1");
  ASSERT_TRUE(changed(2));
  EXPECT_EQ(out.FollowDeviceVolume(), 0);

  // A volume set in the player is heard again: it unmutes.
  out.SetVolume(40);
  EXPECT_TRUE(testing::PollUntil([&] {
    const std::string now = server_->Pactl({"list", "sink-inputs"});
    return now.find("Mute: no") != std::string::npos && now.find("/  40%") != std::string::npos;
  }));
  mixer("set-sink-input-volume", "55%");
  ASSERT_TRUE(changed(3));
  EXPECT_EQ(out.FollowDeviceVolume(), 55);
  EXPECT_EQ(changes, 3) << "the player's own changes came back as the mixer's";
  out.Close();
}

TEST_F(PulseWaveDevice, OpenSaysWhatIsMissing) {
  engine::TWaveFormat format = engine::TWaveFormat::Pcm(44100, 2, 16);
  testing::NoticeRecorder notices;
  TPulseWaveDevice noSink("no_such_sink");
  int result = noSink.Open(format, notices);
  EXPECT_NE(noSink.ErrorText(result).find("no sink named \"no_such_sink\""), std::string::npos)
      << noSink.ErrorText(result);

  // A sink that takes only compressed audio passed through refuses every PCM format.
  bool loaded = false;
  server_->Pactl({"load-module", "module-null-sink", "sink_name=digital", "formats=ac3-iec61937"},
                 &loaded);
  ASSERT_TRUE(loaded);
  for (const auto& [pcm, text] :
       {std::pair{format, "s16le 2ch 44100Hz"},
        std::pair{engine::TWaveFormat::Pcm(22050, 1, 8), "u8 1ch 22050Hz"}}) {
    TPulseWaveDevice digital("digital");
    result = digital.Open(pcm, notices);
    EXPECT_EQ(result, engine::kWaveBadFormat);
    EXPECT_EQ(digital.ErrorText(result),
              std::string("The sound server refused the format ") + text + " (Not supported).");
  }

  server_->Kill();
  TPulseWaveDevice noServer;
  result = noServer.Open(format, notices);
  EXPECT_NE(noServer.ErrorText(result).find("No sound server answers"), std::string::npos)
      << noServer.ErrorText(result);
  std::string why;
  EXPECT_FALSE(PulseServerAnswers(why));
  EXPECT_EQ(why, noServer.ErrorText(result));
}

}  // namespace
}  // namespace yumekaze::platform

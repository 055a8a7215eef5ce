// yumekaze-cli decode on streams as encoders make them and as files get joined and cut, against
// mpg123's decode of the same files (lengths, and full accuracy with the shared PCM comparer).
// The files are made at test time with sox, lame, twolame and ffmpeg; without them the tests skip.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include "decoder/decoder.h"
#include "decoder/test_support.h"

namespace yumekaze::cli {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;
using yumekaze::testing::ReadFileBytes;

bool ToolsPresent() {
  for (const char* tool : {"sox", "lame", "twolame", "mpg123", "python3"}) {
    if (std::system(("command -v " + std::string(tool) + " > /dev/null 2>&1").c_str()) != 0) {
      return false;
    }
  }
  return fs::exists(fs::path(YUMEKAZE_SHARED_DIR) / "tools" / "pcmcmp.py");
}

class DecodeStreams : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!ToolsPresent()) GTEST_SKIP() << "sox, lame, twolame, mpg123 or pcmcmp.py missing";
    dir = fs::temp_directory_path() /
          ("yumekaze-streams-" +
           std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "-" +
           std::to_string(::getpid()));
    fs::create_directories(dir);
  }
  void TearDown() override {
    if (!dir.empty()) fs::remove_all(dir);
  }

  static std::string Q(const fs::path& path) { return "'" + path.string() + "'"; }
  static void Run(const std::string& command) {
    ASSERT_EQ(std::system((command + " > /dev/null 2>&1").c_str()), 0) << command;
  }
  fs::path Write(const std::string& name, const Bytes& bytes) const {
    std::ofstream(dir / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return dir / name;
  }
  // A signal of tones and noise, so that every encoder mode has work to do.
  fs::path Signal(const std::string& name, int rate, int channels, double seconds) const {
    const fs::path wav = dir / (name + ".wav");
    Run("sox -n -r " + std::to_string(rate) + " -c " + std::to_string(channels) + " " + Q(wav) +
        " synth " + std::to_string(seconds) + " sine 440 sine 660 pinknoise vol 0.4");
    return wav;
  }
  Bytes Mpg123(const fs::path& input, const std::string& options = "") const {
    const fs::path out = dir / "mpg123.pcm";
    std::system(
        ("mpg123 -q -s " + options + " " + Q(input) + " > " + Q(out) + " 2> /dev/null").c_str());
    return ReadFileBytes(out);
  }
  Bytes Ours(const fs::path& input, const std::string& options = "") const {
    const fs::path out = dir / "ours.pcm";
    fs::remove(out);
    std::system((std::string(YUMEKAZE_CLI) + " decode " + options + " " + Q(input) + " -o " +
                 Q(out) + " 2> /dev/null")
                    .c_str());
    return ReadFileBytes(out);
  }
  // The shared comparer's verdict: "full", "limited" or "fail".
  std::string Compare(const Bytes& reference, const Bytes& candidate) const {
    const fs::path a = Write("reference.pcm", reference);
    const fs::path b = Write("candidate.pcm", candidate);
    const fs::path verdict = dir / "verdict.txt";
    std::system(("python3 " + Q(fs::path(YUMEKAZE_SHARED_DIR) / "tools" / "pcmcmp.py") + " " +
                 Q(a) + " " + Q(b) + " > " + Q(verdict))
                    .c_str());
    const Bytes text = ReadFileBytes(verdict);
    return std::string(text.begin(), text.end());
  }
  void ExpectAsMpg123(const fs::path& input, const std::string& options = "") {
    ExpectSame(Mpg123(input, options), Ours(input, options));
  }
  void ExpectSame(const Bytes& reference, const Bytes& ours) {
    ASSERT_GT(reference.size(), 10000u);
    EXPECT_EQ(ours.size(), reference.size());
    const std::string verdict = Compare(reference, ours);
    EXPECT_EQ(verdict.rfind("full", 0), 0u) << verdict;
  }

  fs::path dir;
};

// Every subband is decoded by default, as mpg123 decodes; --band-cap leaves out the top one,
// which white noise encoded without a lowpass fills.
TEST_F(DecodeStreams, AllSubbandsByDefaultAndTheTopOneLeftOutOnRequest) {
  const fs::path wav = dir / "noise.wav";
  Run("sox -n -r 44100 -c 2 " + Q(wav) + " synth 2 whitenoise vol 0.5");
  const fs::path mp3 = dir / "noise.mp3";
  Run("lame --quiet --lowpass -1 -b 320 " + Q(wav) + " " + Q(mp3));
  const Bytes reference = Mpg123(mp3);
  const Bytes ours = Ours(mp3);
  ExpectSame(reference, ours);
  EXPECT_EQ(Ours(mp3, "--full-band"), ours);
  const std::string capped = Compare(reference, Ours(mp3, "--band-cap"));
  EXPECT_NE(capped.rfind("full", 0), 0u) << capped;
}

TEST_F(DecodeStreams, LameFilesAreTrimmedToMpg123sGaplessLength) {
  for (const int rate : {44100, 48000, 22050, 8000}) {
    const fs::path wav = Signal("s" + std::to_string(rate), rate, 2, 3);
    for (const std::string mode : {"-b 64", "-V 4", "--abr 96"}) {
      SCOPED_TRACE(std::to_string(rate) + " Hz, lame " + mode);
      const fs::path mp3 = dir / "s.mp3";
      Run("lame --quiet " + mode + " " + Q(wav) + " " + Q(mp3));
      ExpectAsMpg123(mp3);
      // Without the trim every decoded sample stays; the header frame is still no audio.
      EXPECT_EQ(Ours(mp3, "--no-gapless").size(), Mpg123(mp3, "--no-gapless").size());
    }
  }
}

// With a CRC (lame -p) the "Info"/"Xing" tag still sits right after the side information.
TEST_F(DecodeStreams, LameFilesWithCrcKeepTheirHeaderFrameAndTrim) {
  for (const auto& [rate, channels] :
       {std::pair{44100, 2}, std::pair{44100, 1}, std::pair{22050, 2}, std::pair{22050, 1}}) {
    const fs::path wav = Signal("s", rate, channels, 2);
    for (const auto& [mode, kind] : {std::pair{"-b 64", "Info"}, std::pair{"-V 4", "Xing"}}) {
      SCOPED_TRACE(std::to_string(rate) + " Hz, " + std::to_string(channels) + " channels, lame " +
                   mode);
      const fs::path mp3 = dir / "p.mp3";
      Run("lame --quiet -p -m " + std::string(channels == 1 ? "m " : "j ") + mode + " " + Q(wav) +
          " " + Q(mp3));
      const Bytes reference = Mpg123(mp3);
      ExpectSame(reference, Ours(mp3));
      const fs::path text = dir / "info.txt";
      std::system((std::string(YUMEKAZE_CLI) + " info " + Q(mp3) + " > " + Q(text)).c_str());
      const Bytes bytes = ReadFileBytes(text);
      const std::string info(bytes.begin(), bytes.end());
      EXPECT_NE(info.find("header frame: " + std::string(kind)), std::string::npos) << info;
      const size_t samples = reference.size() / (2 * static_cast<size_t>(channels));
      EXPECT_NE(info.find("(" + std::to_string(samples) + " samples)"), std::string::npos) << info;
    }
  }
}

TEST_F(DecodeStreams, JoinedLayerIIStreamsDecodeWithTheirOwnSetUp) {
  const fs::path stereo = Signal("stereo", 44100, 2, 2);
  const fs::path mono = Signal("mono", 44100, 1, 2);
  Run("twolame --quiet -b 192 " + Q(stereo) + " " + Q(dir / "a192.mp2"));
  Run("twolame --quiet -b 64 " + Q(stereo) + " " + Q(dir / "a64.mp2"));
  Run("twolame --quiet -b 64 -m m " + Q(mono) + " " + Q(dir / "m64.mp2"));
  const Bytes a192 = ReadFileBytes(dir / "a192.mp2");
  const Bytes a64 = ReadFileBytes(dir / "a64.mp2");
  const Bytes m64 = ReadFileBytes(dir / "m64.mp2");

  Bytes bitrates = a192;
  bitrates.insert(bitrates.end(), a64.begin(), a64.end());
  ExpectAsMpg123(Write("bitrates.mp2", bitrates));

  // Layer III, then Layer II at the same rate.
  Run("lame --quiet -t -b 128 " + Q(stereo) + " " + Q(dir / "a.mp3"));
  Bytes layers = ReadFileBytes(dir / "a.mp3");
  layers.insert(layers.end(), a192.begin(), a192.end());
  ExpectAsMpg123(Write("layers.mp3", layers));

  // Stereo then mono: raw output goes on in the new format, which mpg123 does not; each part
  // is compared with mpg123's decode of its own file.
  Bytes channels = a192;
  channels.insert(channels.end(), m64.begin(), m64.end());
  const Bytes ours = Ours(Write("channels.mp2", channels));
  const Bytes first = Mpg123(dir / "a192.mp2");
  const Bytes second = Mpg123(dir / "m64.mp2");
  ASSERT_EQ(ours.size(), first.size() + second.size());
  EXPECT_EQ(Compare(first, Bytes(ours.begin(), ours.begin() + static_cast<long>(first.size())))
                .rfind("full", 0),
            0u);
  EXPECT_EQ(Compare(second, Bytes(ours.begin() + static_cast<long>(first.size()), ours.end()))
                .rfind("full", 0),
            0u);
  // A WAV file holds one format: decoding stops at the change with an error.
  const int status = std::system((std::string(YUMEKAZE_CLI) + " decode " + Q(dir / "channels.mp2") +
                                  " -o " + Q(dir / "c.wav") + " 2> /dev/null")
                                     .c_str());
  EXPECT_NE(status, 0);
}

// Layer III and Layer II at one rate and channel count differ only in samples per frame: the
// PCM keeps its format and a WAV file holds all of it.
TEST_F(DecodeStreams, JoinedLayersAtOneRateDecodeIntoOneWavFile) {
  for (const int channels : {2, 1}) {
    SCOPED_TRACE(std::to_string(channels) + " channels");
    const fs::path wav = Signal("s", 22050, channels, 2);
    const std::string mode = channels == 1 ? " -m m " : " ";
    Run("lame --quiet -t -b 64" + mode + Q(wav) + " " + Q(dir / "a.mp3"));
    Run("twolame --quiet -b 64" + mode + Q(wav) + " " + Q(dir / "a.mp2"));
    const Bytes layer3 = ReadFileBytes(dir / "a.mp3");
    const Bytes layer2 = ReadFileBytes(dir / "a.mp2");
    Bytes joined = layer3;
    joined.insert(joined.end(), layer2.begin(), layer2.end());
    joined.insert(joined.end(), layer3.begin(), layer3.end());
    const fs::path file = Write("joined.mp3", joined);
    const fs::path out = dir / "joined.wav";
    fs::remove(out);
    EXPECT_EQ(std::system((std::string(YUMEKAZE_CLI) + " decode " + Q(file) + " -o " + Q(out) +
                           " 2> /dev/null")
                              .c_str()),
              0);
    const Bytes wavBytes = ReadFileBytes(out);
    ASSERT_GT(wavBytes.size(), 44u);
    EXPECT_EQ(wavBytes[22], channels);
    EXPECT_EQ(wavBytes[24] | wavBytes[25] << 8, 22050);
    ExpectSame(Mpg123(file), Bytes(wavBytes.begin() + 44, wavBytes.end()));
  }
}

// ffmpeg's encoder writes Layer II bitrate and mode pairs the standard leaves out (stereo at
// 48 kbit/s, mono at 384 kbit/s); mpg123 decodes them with the table of the bitrate per channel.
TEST_F(DecodeStreams, LayerIIPairsOutsideTheStandardDecodeAsMpg123) {
  if (std::system("command -v ffmpeg > /dev/null 2>&1") != 0) GTEST_SKIP() << "ffmpeg missing";
  for (const auto& [rate, channels, kbps, index] :
       {std::tuple{44100, 2, 48, 2}, std::tuple{32000, 2, 48, 2}, std::tuple{44100, 1, 384, 14},
        std::tuple{48000, 1, 384, 14}}) {
    SCOPED_TRACE(std::to_string(rate) + " Hz, " + std::to_string(channels) + " channels, " +
                 std::to_string(kbps) + " kbit/s");
    const fs::path wav = Signal("s", rate, channels, 2);
    const fs::path mp2 = dir / "f.mp2";
    Run("ffmpeg -v error -y -i " + Q(wav) + " -c:a mp2 -b:a " + std::to_string(kbps) + "k " +
        Q(mp2));
    const Bytes stream = ReadFileBytes(mp2);
    ASSERT_GT(stream.size(), 4u);
    EXPECT_EQ(stream[2] >> 4, index);
    EXPECT_EQ(stream[3] >> 6, channels == 1 ? 3 : 0);
    ExpectAsMpg123(mp2);
  }
}

TEST_F(DecodeStreams, TagsBetweenJoinedStreamsAreSkipped) {
  const fs::path wav = Signal("s", 44100, 2, 2);
  Run("lame --quiet -t -b 128 " + Q(wav) + " " + Q(dir / "a.mp3"));
  const Bytes stream = ReadFileBytes(dir / "a.mp3");
  // An ID3v2.3 tag with a title frame whose text holds frame-sync look-alikes, and an ID3v1 tag.
  Bytes id3v2 = {'I', 'D', '3', 3, 0, 0, 0, 0, 1, 0};
  const Bytes frame = {'T', 'I', 'T', '2', 0, 0, 0, 118, 0, 0, 0};
  id3v2.insert(id3v2.end(), frame.begin(), frame.end());
  for (int i = 0; i < 117; ++i) id3v2.push_back(i % 2 ? 0xFB : 0xFF);
  id3v2.resize(10 + 128, 0);
  Bytes id3v1(128, ' ');
  std::copy_n("TAG", 3, id3v1.begin());
  Bytes joined = stream;
  joined.insert(joined.end(), id3v2.begin(), id3v2.end());
  joined.insert(joined.end(), stream.begin(), stream.end());
  joined.insert(joined.end(), id3v1.begin(), id3v1.end());
  joined.insert(joined.end(), stream.begin(), stream.end());
  const fs::path file = Write("joined.mp3", joined);
  const Bytes ours = Ours(file);
  const Bytes single = Ours(dir / "a.mp3");
  EXPECT_EQ(ours.size(), 3 * single.size());
  ExpectAsMpg123(file);
}

TEST_F(DecodeStreams, AnId3v2SizePastTheEndLosesNoAudioFromAPipe) {
  const fs::path wav = Signal("s", 44100, 2, 1);
  Run("lame --quiet -t -b 128 " + Q(wav) + " " + Q(dir / "a.mp3"));
  Bytes file = {'I', 'D', '3', 4, 0, 0, 1, 0x7F, 0x7F, 0x7F};  // 4 MiB claimed
  const Bytes stream = ReadFileBytes(dir / "a.mp3");
  file.insert(file.end(), stream.begin(), stream.end());
  const fs::path tagged = Write("tagged.mp3", file);
  const Bytes fromFile = Ours(tagged);
  ASSERT_GT(fromFile.size(), 10000u);
  const fs::path piped = dir / "piped.pcm";
  std::system(
      ("cat " + Q(tagged) + " | " + YUMEKAZE_CLI + " decode - -o " + Q(piped) + " 2> /dev/null")
          .c_str());
  EXPECT_EQ(ReadFileBytes(piped), fromFile);
}

TEST_F(DecodeStreams, CutBeginningsDecodeAboutAsMuchAsMpg123) {
  const fs::path wav = Signal("s", 44100, 2, 4);
  Run("lame --quiet -V 2 " + Q(wav) + " " + Q(dir / "v.mp3"));
  const Bytes whole = ReadFileBytes(dir / "v.mp3");
  constexpr long kTwoFrames = 2 * 1152 * 4;
  int cuts = 0;
  for (size_t offset = 1; offset < whole.size() / 2; offset += 1 + offset / 3) {
    SCOPED_TRACE("cut at byte " + std::to_string(offset));
    const fs::path cut =
        Write("cut.mp3", Bytes(whole.begin() + static_cast<long>(offset), whole.end()));
    const long reference = static_cast<long>(Mpg123(cut).size());
    const long ours = static_cast<long>(Ours(cut).size());
    EXPECT_GT(reference, 0);
    EXPECT_LE(std::labs(ours - reference), kTwoFrames) << ours << " vs " << reference;
    ++cuts;
  }
  EXPECT_GT(cuts, 15);
}

// Puts a header frame in front of a stream: a copy of its first frame's header with the given
// bytes at `at`, the rest zero.
Bytes WithHeaderFrame(const Bytes& stream, size_t at, const Bytes& content) {
  decoder::MpegFrameHeader header{};
  const int32_t length = decoder::DecodeFrameHeader(stream.data(), 0, header) + header.Padding;
  Bytes frame(static_cast<size_t>(length), 0);
  std::copy_n(stream.begin(), 4, frame.begin());
  std::copy(content.begin(), content.end(), frame.begin() + static_cast<long>(at));
  frame.insert(frame.end(), stream.begin(), stream.end());
  return frame;
}

Bytes BigEndian32(uint32_t value) {
  return {static_cast<uint8_t>(value >> 24), static_cast<uint8_t>(value >> 16),
          static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
}

TEST_F(DecodeStreams, VbriHeaderFramesInMpeg2AndMonoFilesAreNoAudio) {
  for (const auto& [rate, channels] : {std::pair{22050, 2}, std::pair{44100, 1}}) {
    SCOPED_TRACE(std::to_string(rate) + " Hz, " + std::to_string(channels) + " channels");
    const fs::path wav = Signal("s", rate, channels, 2);
    Run("lame --quiet -t -b 64 " + Q(wav) + " " + Q(dir / "plain.mp3"));
    const Bytes plain = ReadFileBytes(dir / "plain.mp3");
    // VBRI, version 1, delay, quality, bytes (too few), frames, no table.
    Bytes vbri = {'V', 'B', 'R', 'I', 0, 1, 0, 0, 0, 75};
    for (const uint32_t field : {1000u, 40u}) {
      const Bytes be = BigEndian32(field);
      vbri.insert(vbri.end(), be.begin(), be.end());
    }
    vbri.resize(vbri.size() + 8, 0);
    // mpg123 does not take this header for one: its reference is the file without it.
    const fs::path file = Write("vbri.mp3", WithHeaderFrame(plain, 36, vbri));
    ExpectSame(Mpg123(dir / "plain.mp3"), Ours(file));
  }
}

TEST_F(DecodeStreams, XingByteCountSmallerThanTheFileDoesNotEndTheAudio) {
  const fs::path wav = Signal("s", 44100, 2, 3);
  Run("lame --quiet -V 4 " + Q(wav) + " " + Q(dir / "v.mp3"));
  Bytes stream = ReadFileBytes(dir / "v.mp3");
  // MPEG-1 stereo without CRC: "Xing" at 36, flags, frames, then the byte count.
  ASSERT_EQ(std::string(stream.begin() + 36, stream.begin() + 40), "Xing");
  const Bytes small = BigEndian32(static_cast<uint32_t>(stream.size() / 3));
  std::copy(small.begin(), small.end(), stream.begin() + 48);
  const fs::path file = Write("small.mp3", stream);
  EXPECT_EQ(Ours(file), Ours(dir / "v.mp3"));
  ExpectAsMpg123(file);
}

TEST_F(DecodeStreams, InfoGivesTheExactTrimmedLength) {
  const fs::path wav = Signal("s", 48000, 2, 3);
  for (const std::string mode : {"-b 128", "-t -b 128"}) {
    SCOPED_TRACE(mode);
    Run("lame --quiet " + mode + " " + Q(wav) + " " + Q(dir / "i.mp3"));
    const size_t samples = Mpg123(dir / "i.mp3").size() / 4;
    for (const std::string form : {"", "--json "}) {
      const fs::path text = dir / "info.txt";
      std::system((std::string(YUMEKAZE_CLI) + " info " + form + Q(dir / "i.mp3") + " > " + Q(text))
                      .c_str());
      const Bytes bytes = ReadFileBytes(text);
      const std::string info(bytes.begin(), bytes.end());
      const std::string expected = form.empty() ? "(" + std::to_string(samples) + " samples)"
                                                : "\"samples\":" + std::to_string(samples) + ",";
      EXPECT_NE(info.find(expected), std::string::npos) << info;
    }
  }
}

}  // namespace
}  // namespace yumekaze::cli

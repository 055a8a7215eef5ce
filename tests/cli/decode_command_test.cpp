// yumekaze-cli decode as a user runs it: the binary, its files, its exit statuses and messages.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "decoder/decoder.h"
#include "decoder/test_support.h"

namespace yumekaze::cli {
namespace {

namespace fs = std::filesystem;
using yumekaze::testing::ReadFileBytes;

struct CliRun {
  int status = -1;
  std::string stderrText;
};

// Runs the CLI with a shell command line; captures standard error.
CliRun RunCli(const std::string& arguments) {
  // Test processes run in parallel: one file per process.
  const fs::path errors =
      fs::temp_directory_path() / ("yumekaze-cli-test-" + std::to_string(::getpid()) + ".err");
  const std::string command =
      std::string(YUMEKAZE_CLI) + " " + arguments + " 2>'" + errors.string() + "'";
  const int raw = std::system(command.c_str());
  CliRun run;
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  const auto text = ReadFileBytes(errors);
  run.stderrText.assign(text.begin(), text.end());
  fs::remove(errors);
  return run;
}

uint32_t Le32(const std::vector<uint8_t>& bytes, size_t at) {
  return bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) | (uint32_t{bytes[at + 3]} << 24);
}

class DecodeCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("yumekaze-cli-" +
           std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "-" +
           std::to_string(::getpid()));
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }
  std::string Quoted(const fs::path& path) const { return "'" + path.string() + "'"; }
  fs::path Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
    std::ofstream(dir / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return dir / name;
  }

  fs::path dir;
  const fs::path demo = fs::path(YUMEKAZE_SOURCE_DIR) / "data" / "demo.mp2";
};

TEST_F(DecodeCommand, WritesAWavFileWithTheStreamsFormat) {
  const fs::path wav = dir / "demo.wav";
  const CliRun run = RunCli("decode " + Quoted(demo) + " -o " + Quoted(wav));
  ASSERT_EQ(run.status, 0) << run.stderrText;
  const auto bytes = ReadFileBytes(wav);
  ASSERT_GT(bytes.size(), 44u);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "RIFF");
  EXPECT_EQ(Le32(bytes, 4), bytes.size() - 8);
  EXPECT_EQ(bytes[22], 2);  // channels
  EXPECT_EQ(Le32(bytes, 24), 44100u);
  EXPECT_EQ(bytes[34], 16);  // bits per sample
  EXPECT_EQ(Le32(bytes, 40), bytes.size() - 44);
  EXPECT_EQ((bytes.size() - 44) % 4608, 0u);  // whole Layer II stereo frames

  // Raw output to a file and to standard output carry the same samples.
  const fs::path raw = dir / "demo.pcm";
  ASSERT_EQ(RunCli("decode " + Quoted(demo) + " -o " + Quoted(raw)).status, 0);
  ASSERT_EQ(RunCli("decode " + Quoted(demo) + " -o - > " + Quoted(dir / "stdout.pcm")).status, 0);
  const auto rawBytes = ReadFileBytes(raw);
  EXPECT_TRUE(std::equal(rawBytes.begin(), rawBytes.end(), bytes.begin() + 44, bytes.end()));
  EXPECT_EQ(ReadFileBytes(dir / "stdout.pcm"), rawBytes);
}

TEST_F(DecodeCommand, ChannelOptionsGiveMonoOutput) {
  for (const char* mode : {"mix", "left", "right"}) {
    const fs::path wav = dir / (std::string(mode) + ".wav");
    ASSERT_EQ(
        RunCli("decode --channels " + std::string(mode) + " " + Quoted(demo) + " -o " + Quoted(wav))
            .status,
        0);
    EXPECT_EQ(ReadFileBytes(wav)[22], 1) << mode;
  }
  const auto left = ReadFileBytes(dir / "left.wav");
  const auto right = ReadFileBytes(dir / "right.wav");
  EXPECT_EQ(left.size(), right.size());
  EXPECT_NE(left, right);  // the demo has a different voice on each channel
}

TEST_F(DecodeCommand, SkipsGarbageBetweenFramesAndDropsACutOffFrame) {
  const auto stream = ReadFileBytes(demo);
  ASSERT_EQ(RunCli("decode " + Quoted(demo) + " -o " + Quoted(dir / "clean.pcm")).status, 0);
  const auto clean = ReadFileBytes(dir / "clean.pcm");

  // Junk after the third frame (sync is taken on a header the next two confirm), half a frame
  // at the end. Any amount of junk is searched through.
  size_t third = 0;
  for (int frame = 0; frame < 3; ++frame) {
    decoder::MpegFrameHeader header{};
    third += static_cast<size_t>(decoder::DecodeFrameHeader(stream.data() + third, 0, header) +
                                 header.Padding);
  }
  for (const size_t junk : {600, 20000}) {
    std::vector<uint8_t> damaged(stream.begin(), stream.begin() + static_cast<long>(third));
    damaged.insert(damaged.end(), junk, 0x5A);
    damaged.insert(damaged.end(), stream.begin() + static_cast<long>(third), stream.end());
    damaged.insert(damaged.end(), stream.begin(), stream.begin() + 200);
    const CliRun run =
        RunCli("decode " + Quoted(Write("damaged.mp2", damaged)) + " -o " + Quoted(dir / "d.pcm"));
    ASSERT_EQ(run.status, 0) << run.stderrText;
    EXPECT_EQ(ReadFileBytes(dir / "d.pcm"), clean) << junk << " bytes of junk";
  }
}

TEST_F(DecodeCommand, TagsAroundTheAudioAreSkippedInFilesAndOnStandardInput) {
  ASSERT_EQ(RunCli("decode " + Quoted(demo) + " -o " + Quoted(dir / "clean.pcm")).status, 0);
  const auto clean = ReadFileBytes(dir / "clean.pcm");
  // An ID3v2.4 tag (passed over whole) of 300 bytes of frame-sync look-alikes, and an ID3v1 tag
  // at the end.
  std::vector<uint8_t> tagged = {'I', 'D', '3', 4, 0, 0, 0, 0, 2, 44};
  tagged.insert(tagged.end(), 300, 0xFF);
  const auto stream = ReadFileBytes(demo);
  tagged.insert(tagged.end(), stream.begin(), stream.end());
  std::vector<uint8_t> id3v1(128, 0);
  std::copy_n("TAGtitle", 8, id3v1.begin());
  tagged.insert(tagged.end(), id3v1.begin(), id3v1.end());
  const fs::path file = Write("tagged.mp2", tagged);

  ASSERT_EQ(RunCli("decode " + Quoted(file) + " -o " + Quoted(dir / "file.pcm")).status, 0);
  EXPECT_EQ(ReadFileBytes(dir / "file.pcm"), clean);
  // Standard input cannot seek: the ID3v1 tag is passed over as bytes that start no frame.
  const CliRun piped = RunCli("decode - -o " + Quoted(dir / "pipe.pcm") + " < " + Quoted(file));
  ASSERT_EQ(piped.status, 0) << piped.stderrText;
  EXPECT_EQ(ReadFileBytes(dir / "pipe.pcm"), clean);
  const CliRun cat = RunCli("decode - -o - < /dev/null > " + Quoted(dir / "empty.pcm"));
  EXPECT_EQ(cat.status, 1);
  EXPECT_NE(cat.stderrText.find("unknown MPEG Audio format."), std::string::npos);
}

TEST_F(DecodeCommand, AXingHeaderFrameIsPassedOverNotDecoded) {
  ASSERT_EQ(RunCli("decode " + Quoted(demo) + " -o " + Quoted(dir / "clean.pcm")).status, 0);
  const auto clean = ReadFileBytes(dir / "clean.pcm");
  auto stream = ReadFileBytes(demo);
  ASSERT_EQ(stream[1] & 1,
            1);  // no CRC: the tag sits 36 bytes into the frame (MPEG-1, two channels)
  std::copy_n("Xing\0\0\0\0", 8, stream.begin() + 4 + 32);
  const CliRun run =
      RunCli("decode " + Quoted(Write("xing.mp2", stream)) + " -o " + Quoted(dir / "x.pcm"));
  ASSERT_EQ(run.status, 0) << run.stderrText;
  const auto decoded = ReadFileBytes(dir / "x.pcm");
  constexpr size_t kFrame = 4608;
  ASSERT_EQ(decoded.size(), clean.size() - kFrame);
  // The synthesis history differs only within the first decoded frame.
  EXPECT_TRUE(std::equal(decoded.begin() + kFrame, decoded.end(), clean.begin() + 2 * kFrame));
}

TEST_F(DecodeCommand, InputWithoutMpegAudioFailsAndLeavesTheOutputAlone) {
  const fs::path text = Write("notes.txt", std::vector<uint8_t>(5000, 'x'));
  const fs::path existing = Write("keep.wav", {1, 2, 3});
  const CliRun run = RunCli("decode " + Quoted(text) + " -o " + Quoted(existing));
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.stderrText.find("unknown MPEG Audio format."), std::string::npos) << run.stderrText;
  EXPECT_EQ(ReadFileBytes(existing), (std::vector<uint8_t>{1, 2, 3}));

  const CliRun missing =
      RunCli("decode " + Quoted(dir / "absent.mp2") + " -o " + Quoted(dir / "o.wav"));
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.stderrText.find("cannot open"), std::string::npos);
  EXPECT_FALSE(fs::exists(dir / "o.wav"));
}

// Past the end there is nothing to write: an error, and from a file no output at all.
TEST_F(DecodeCommand, AStartAtOrPastTheEndIsAnError) {
  const fs::path existing = Write("keep.wav", {1, 2, 3});
  const CliRun file = RunCli("decode --start 30 " + Quoted(demo) + " -o " + Quoted(existing));
  EXPECT_EQ(file.status, 1);
  EXPECT_NE(file.stderrText.find("past the end of the audio (0:05.773)"), std::string::npos)
      << file.stderrText;
  EXPECT_EQ(ReadFileBytes(existing), (std::vector<uint8_t>{1, 2, 3}));
  // 254592 samples at 44100 Hz: 5.774 s is just past them.
  const fs::path fifo = dir / "pipe.mp2";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  ASSERT_EQ(std::system(("cat " + Quoted(demo) + " >" + Quoted(fifo) + " &").c_str()), 0);
  const CliRun pipe =
      RunCli("decode --start 5.774 " + Quoted(fifo) + " -o " + Quoted(dir / "p.raw"));
  EXPECT_EQ(pipe.status, 1);
  EXPECT_NE(pipe.stderrText.find("past the end of the audio (0:05.773)"), std::string::npos)
      << pipe.stderrText;
  EXPECT_EQ(RunCli("decode --start 5.772 " + Quoted(demo) + " -o " + Quoted(dir / "o.raw")).status,
            0);
  EXPECT_FALSE(ReadFileBytes(dir / "o.raw").empty()) << "the last millisecond";
}

// A name is bytes: one that is not UTF-8 opens as it is.
TEST_F(DecodeCommand, NamesThatAreNotUtf8AreOpenedAsTheyAre) {
  const fs::path latin1 = dir / "caf\xE9 \xFF.mp2";
  fs::copy_file(demo, latin1);
  ASSERT_EQ(RunCli("decode " + Quoted(demo) + " -o " + Quoted(dir / "a.raw")).status, 0);
  ASSERT_EQ(RunCli("decode " + Quoted(latin1) + " -o " + Quoted(dir / "b\xE9.raw")).status, 0);
  EXPECT_EQ(ReadFileBytes(dir / "a.raw"), ReadFileBytes(dir / "b\xE9.raw"));
}

// The sound libraries are loaded only when a command plays: mapping them and their dependencies
// would be most of a short decode's time and memory.
TEST_F(DecodeCommand, DecodingLoadsNoSoundNetworkOrCharsetLibrary) {
  const fs::path log = dir / "loader.log";
  const std::string command = "LD_DEBUG=libs " + std::string(YUMEKAZE_CLI) + " decode " +
                              Quoted(demo) + " -o /dev/null 2>" + Quoted(log);
  ASSERT_EQ(std::system(command.c_str()), 0);
  const auto bytes = ReadFileBytes(log);
  const std::string loaded(bytes.begin(), bytes.end());
  ASSERT_NE(loaded.find("libc.so"), std::string::npos) << "the loader said nothing";
  EXPECT_EQ(loaded.find("libasound"), std::string::npos);
  EXPECT_EQ(loaded.find("libpulse"), std::string::npos);
  EXPECT_EQ(loaded.find("libcurl"), std::string::npos);
  EXPECT_EQ(loaded.find("libuchardet"), std::string::npos);
}

TEST_F(DecodeCommand, WrongUsageExitsWithTwoAndHelpWithZero) {
  EXPECT_EQ(RunCli("").status, 2);
  EXPECT_EQ(RunCli("frobnicate").status, 2);
  EXPECT_EQ(RunCli("decode").status, 2);
  EXPECT_EQ(RunCli("decode " + Quoted(demo)).status, 2);  // no -o
  EXPECT_EQ(RunCli("decode --channels both " + Quoted(demo) + " -o x.wav").status, 2);
  EXPECT_EQ(RunCli("decode --freq-limit 12k " + Quoted(demo) + " -o x.wav").status, 2);
  EXPECT_EQ(RunCli("decode --cpu sse " + Quoted(demo) + " -o x.wav").status, 2);
  EXPECT_EQ(RunCli("decode --cpu " + Quoted(demo) + " -o x.wav").status, 2);
  EXPECT_EQ(RunCli("decode --bogus " + Quoted(demo) + " -o x.wav").status, 2);
  EXPECT_FALSE(fs::exists("x.wav"));
  EXPECT_EQ(RunCli("decode --help > /dev/null").status, 0);
  EXPECT_EQ(RunCli("--help > /dev/null").status, 0);
}

TEST_F(DecodeCommand, ThreeDNowFormStaysCloseToTheDefault) {
  ASSERT_EQ(RunCli("decode " + Quoted(demo) + " -o " + Quoted(dir / "a.pcm")).status, 0);
  ASSERT_EQ(RunCli("decode --cpu=3dnow --freq-limit=24000 " + Quoted(demo) + " -o " +
                   Quoted(dir / "b.pcm"))
                .status,
            0);
  const auto a = ReadFileBytes(dir / "a.pcm");
  const auto b = ReadFileBytes(dir / "b.pcm");
  ASSERT_EQ(a.size(), b.size());
  const auto difference = yumekaze::testing::ComparePcm(a, b);
  EXPECT_GT(difference.max, 0);  // truncation instead of rounding changes samples
  EXPECT_LT(difference.rms, 2.0);
}

TEST_F(DecodeCommand, VectorFormsGiveTheReferenceFormsPcmAndSayNothing) {
  ASSERT_EQ(RunCli("decode --cpu x87 " + Quoted(demo) + " -o " + Quoted(dir / "x87.pcm")).status,
            0);
  const auto reference = ReadFileBytes(dir / "x87.pcm");
  const uint32_t detected = decoder::GetCpuCapabilities();
  std::vector<std::string> forms = {"auto"};
  if (detected & decoder::kCpuSSE2) forms.push_back("sse2");
  if ((detected & (decoder::kCpuAVX2 | decoder::kCpuFMA)) ==
      (decoder::kCpuAVX2 | decoder::kCpuFMA)) {
    forms.push_back("avx2");
  }
  for (const std::string& form : forms) {
    const fs::path out = dir / (form + ".pcm");
    const CliRun run = RunCli("decode --cpu " + form + " " + Quoted(demo) + " -o " + Quoted(out));
    ASSERT_EQ(run.status, 0) << form;
    EXPECT_EQ(run.stderrText, "") << form;  // the form in use is not reported
    EXPECT_EQ(ReadFileBytes(out), reference) << form;
  }
  // Without --cpu the best form is taken, the same as auto.
  ASSERT_EQ(RunCli("decode " + Quoted(demo) + " -o " + Quoted(dir / "default.pcm")).status, 0);
  EXPECT_EQ(ReadFileBytes(dir / "default.pcm"), ReadFileBytes(dir / "auto.pcm"));
}

}  // namespace
}  // namespace yumekaze::cli

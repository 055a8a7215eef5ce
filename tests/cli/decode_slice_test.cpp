// decode --start/--duration: the slice of a decode from the start, byte for byte, for every layer
// and the kinds of files people have (CBR with an Info frame, VBR with a table of contents,
// MPEG-2.5), at many positions.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "decoder/test_support.h"

namespace yumekaze::cli {
namespace {

namespace fs = std::filesystem;
using yumekaze::testing::ReadFileBytes;

class DecodeSlice : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("yumekaze-slice-" + std::to_string(::getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  static int Run(const std::string& command) {
    const int raw = std::system(command.c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  }
  int Decode(const fs::path& input, const std::string& options, const fs::path& output) const {
    return Run(std::string(YUMEKAZE_CLI) + " decode " + options + " '" + input.string() + "' -o '" +
               output.string() + "' 2>/dev/null");
  }
  // LAME encodes a 12 s sweep at `rate` with `options`; empty when sox or lame is missing.
  fs::path Encode(const std::string& name, int rate, const std::string& options) const {
    const fs::path wav = dir_ / (name + ".wav");
    const fs::path mp3 = dir_ / (name + ".mp3");
    const std::string command = "sox -R -n -r " + std::to_string(rate) + " -c 2 -b 16 '" +
                                wav.string() + "' synth 12 sine 100/3900 sine 3000/200 vol 0.4 " +
                                "2>/dev/null && lame --quiet " + options + " '" + wav.string() +
                                "' '" + mp3.string() + "'";
    return Run(command) == 0 ? mp3 : fs::path();
  }

  // Slices at the start, in the first frames, across the middle and at random places, of many
  // lengths, including one past the end.
  void ExpectSlicesExact(const fs::path& file, int rate, int channels) {
    SCOPED_TRACE(file.filename().string());
    ASSERT_EQ(Decode(file, "", dir_ / "full.raw"), 0);
    const std::vector<uint8_t> full = ReadFileBytes(dir_ / "full.raw");
    const int frame = 2 * channels;
    const int64_t total_ms = static_cast<int64_t>(full.size() / frame) * 1000 / rate;
    ASSERT_GT(total_ms, 100);
    std::mt19937 random(12);
    std::vector<int64_t> starts = {0, 1, 26, 110, total_ms / 2, total_ms - 5};
    for (int i = 0; i < 8; ++i) starts.push_back(random() % total_ms);
    const int64_t lengths[] = {1, 13, 250, 1000, 4321};
    for (size_t i = 0; i < starts.size(); ++i) {
      const int64_t start = starts[i];
      const int64_t length = lengths[i % 5];
      char options[96];
      std::snprintf(options, sizeof options, "--start %lld.%03lld --duration %lld.%03lld",
                    static_cast<long long>(start / 1000), static_cast<long long>(start % 1000),
                    static_cast<long long>(length / 1000), static_cast<long long>(length % 1000));
      ASSERT_EQ(Decode(file, options, dir_ / "part.raw"), 0) << options;
      const size_t from = std::min(full.size(), static_cast<size_t>(start * rate / 1000 * frame));
      const size_t to = std::min(
          full.size(), static_cast<size_t>((start * rate / 1000 + length * rate / 1000) * frame));
      EXPECT_TRUE(ReadFileBytes(dir_ / "part.raw") ==
                  std::vector<uint8_t>(full.begin() + from, full.begin() + to))
          << options;
    }
  }

  fs::path dir_;
};

TEST_F(DecodeSlice, ConformanceStreamsOfEachLayer) {
  const fs::path shared = YUMEKAZE_SHARED_DIR;
  if (!fs::exists(shared / "conformance/l1-fl1.bit")) GTEST_SKIP() << "no conformance streams";
  ExpectSlicesExact(shared / "conformance/l1-fl1.bit", 32000, 2);
  ExpectSlicesExact(shared / "conformance/l2-fl13.bit", 32000, 1);
  ExpectSlicesExact(shared / "conformance/l3-si_block.bit", 44100, 1);
}

TEST_F(DecodeSlice, LayerIIICbrWithInfoVbrWithTableOfContentsAndMpeg25) {
  const fs::path cbr = Encode("cbr", 44100, "-b 128");
  if (cbr.empty()) GTEST_SKIP() << "sox or lame is missing";
  ExpectSlicesExact(cbr, 44100, 2);
  ExpectSlicesExact(Encode("vbr", 44100, "-V 4"), 44100, 2);
  ExpectSlicesExact(Encode("mpeg25", 8000, "-b 24"), 8000, 2);
}

TEST_F(DecodeSlice, TimesInBothFormsAndWrongOnes) {
  const fs::path demo = fs::path(YUMEKAZE_SOURCE_DIR) / "data" / "demo.mp2";
  ASSERT_EQ(Decode(demo, "--start 0:01.500 --duration 0:00.25", dir_ / "a.raw"), 0);
  ASSERT_EQ(Decode(demo, "--start 1.5 --duration 0.250", dir_ / "b.raw"), 0);
  EXPECT_EQ(ReadFileBytes(dir_ / "a.raw").size(), 11025u * 4);
  EXPECT_TRUE(ReadFileBytes(dir_ / "a.raw") == ReadFileBytes(dir_ / "b.raw"));
  for (const char* wrong : {"--start x", "--start 1:5", "--start 1:75", "--start 1.2345",
                            "--start -1", "--duration", "--duration 1:"}) {
    EXPECT_EQ(Decode(demo, wrong, dir_ / "c.raw"), 2) << wrong;
  }
}

}  // namespace
}  // namespace yumekaze::cli

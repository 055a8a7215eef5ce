#include "engine/stream/file_stream.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "engine/stream/memory_stream.h"
#include "scripted_stream.h"

namespace yumekaze::engine {
namespace {

class FileStreamTest : public ::testing::Test {
 protected:
  void SetUp() override {
    directory_ =
        std::filesystem::temp_directory_path() / ("yumekaze-stream-" + std::to_string(::getpid()));
    std::filesystem::create_directories(directory_);
    path_ = (directory_ / "bytes.bin").string();
    bytes_ = test_support::Pattern(5000);
    std::ofstream(path_, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes_.data()), std::streamsize(bytes_.size()));
  }
  void TearDown() override { std::filesystem::remove_all(directory_); }

  std::filesystem::path directory_;
  std::string path_;
  std::vector<uint8_t> bytes_;
};

TEST_F(FileStreamTest, ReadsSeeksAndKnowsItsSize) {
  TMPFileStream stream(path_);
  EXPECT_EQ(stream.Size(), 5000);
  std::vector<uint8_t> buffer(6000);
  EXPECT_EQ(stream.Read(buffer.data(), 100), 100u);
  EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + 100, bytes_.begin()));
  EXPECT_EQ(stream.Seek(-10, SeekOrigin::End), 4990);
  EXPECT_EQ(stream.Read(buffer.data(), 6000), 10u);
  EXPECT_EQ(buffer[0], bytes_[4990]);
  EXPECT_EQ(stream.Read(buffer.data(), 6000), 0u);
  EXPECT_EQ(stream.Seek(-4000, SeekOrigin::Current), 1000);
  EXPECT_EQ(stream.Seek(7000, SeekOrigin::Beginning), 7000);
  EXPECT_EQ(stream.Read(buffer.data(), 10), 0u);
  EXPECT_THROW(stream.Seek(-1, SeekOrigin::Beginning), TMPStreamError);
}

TEST_F(FileStreamTest, OthersMayReadTheFileWhileItIsOpen) {
  TMPFileStream first(path_);
  TMPFileStream second(path_);
  std::ifstream third(path_, std::ios::binary);
  EXPECT_TRUE(third.good());
  EXPECT_EQ(second.Size(), first.Size());
}

TEST_F(FileStreamTest, OpenFailuresNameTheFileAndTheReason) {
  try {
    TMPFileStream stream((directory_ / "missing.mp3").string());
    FAIL() << "opened a missing file";
  } catch (const TMPStreamError& error) {
    const std::string text = error.what();
    EXPECT_NE(text.find("missing.mp3"), std::string::npos) << text;
    EXPECT_NE(text.find("No such file"), std::string::npos) << text;
  }
  EXPECT_THROW(TMPFileStream(directory_.string()), TMPStreamError);
}

TEST(MemoryStream, ReadsWithinItsBytesAndSeeksLikeAFile) {
  TMPMemoryStream stream(test_support::Pattern(10));
  uint8_t buffer[20];
  EXPECT_EQ(stream.Read(buffer, 20), 10u);
  EXPECT_EQ(stream.Read(buffer, 20), 0u);
  EXPECT_EQ(stream.Seek(100, SeekOrigin::Beginning), 100);
  EXPECT_EQ(stream.Read(buffer, 20), 0u);
  EXPECT_EQ(stream.Seek(-3, SeekOrigin::End), 7);
  EXPECT_EQ(stream.Read(buffer, 20), 3u);
  EXPECT_EQ(buffer[0], 7);
  EXPECT_THROW(stream.Seek(-11, SeekOrigin::End), TMPStreamError);
  EXPECT_THROW(stream.Seek(INT64_MAX, SeekOrigin::End), TMPStreamError);
  EXPECT_EQ(stream.Seek(0, SeekOrigin::Current), 10);
}

}  // namespace
}  // namespace yumekaze::engine

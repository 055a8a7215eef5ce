// Real files on disk: the shared conformance bitstreams wrapped in tags, read back through the
// file stream the way the player opens a file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "engine/stream/file_stream.h"
#include "engine/tags/mp3_info.h"
#include "tag_files.h"

namespace yumekaze::engine {
namespace {

using namespace test_support;

Bytes ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

TEST(TaggedFile, ConformanceStreamsInsideTagsAreFoundByteForByte) {
  const std::filesystem::path conformance =
      std::filesystem::path(YUMEKAZE_SHARED_DIR) / "conformance";
  if (!std::filesystem::is_directory(conformance)) {
    GTEST_SKIP() << "no conformance streams at " << conformance;
  }
  const std::filesystem::path scratch =
      std::filesystem::temp_directory_path() / ("yumekaze-tags-" + std::to_string(::getpid()));
  std::filesystem::create_directories(scratch);
  const Bytes id3v2 = Id3v2Tag(3, Id3v2TextFrame("TIT2", "Conformance") + Bytes(33, 0));
  const Bytes trailer =
      Lyrics3v2({{"LYR", "none"}}) + Id3v1Tag({.title = "Conf", .artist = "ISO", .genre = 12});
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(conformance)) {
    if (entry.path().extension() != ".bit") continue;
    SCOPED_TRACE(entry.path().filename().string());
    const Bytes audio = ReadFile(entry.path());
    const std::filesystem::path tagged = scratch / entry.path().filename();
    const Bytes file = id3v2 + audio + trailer;
    std::ofstream(tagged, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));

    TMPFileStream stream(tagged.string());
    TMPStreamReader reader(65536);
    reader.Open(&stream, true);
    TMP3Info info;
    info.Attach(&reader);
    EXPECT_TRUE(info.ScanLeading());
    EXPECT_TRUE(info.ScanTrailing());
    EXPECT_EQ(info.Found(),
              TMP3Info::kFoundId3v2 | TMP3Info::kFoundId3v1 | TMP3Info::kFoundLyrics3);
    EXPECT_EQ(info.AudioStart(), int64_t(id3v2.size()));
    EXPECT_EQ(info.AudioLength(), int64_t(audio.size() + trailer.size()));
    EXPECT_EQ(info.GetTitle(), "Conformance");
    EXPECT_EQ(info.GetArtist(), "ISO");

    // The audio read back in frame-sized requests is the original bitstream.
    reader.Seek(info.AudioStart(), SeekOrigin::Beginning);
    Bytes read_back;
    while (read_back.size() < audio.size()) {
      const int32_t piece = int32_t(std::min<size_t>(1441, audio.size() - read_back.size()));
      ASSERT_TRUE(reader.Request(piece));
      read_back.insert(read_back.end(), reader.Data(), reader.Data() + piece);
      ASSERT_TRUE(reader.Skip(piece));
    }
    EXPECT_TRUE(read_back == audio);
    ++files;
  }
  std::filesystem::remove_all(scratch);
  EXPECT_GT(files, 0);
}

}  // namespace
}  // namespace yumekaze::engine

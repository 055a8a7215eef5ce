#include "hostile_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <random>
#include <stdexcept>

#include "engine/player/player_test_support.h"

namespace yumekaze::robustness {
namespace {

namespace fs = std::filesystem;
using engine::test::Bytes;
using engine::test::FrameSpan;
using engine::test::ReadFileBytes;
using engine::test::SplitFrames;
using engine::test::Streams;

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes BE32(uint32_t value) {
  return {static_cast<uint8_t>(value >> 24), static_cast<uint8_t>(value >> 16),
          static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
}

Bytes LE32(uint32_t value) {
  return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
          static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
}

Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

Bytes Random(size_t size, uint32_t seed) {
  std::mt19937 random(seed);
  Bytes bytes(size);
  for (uint8_t& byte : bytes) byte = static_cast<uint8_t>(random());
  return bytes;
}

// The first `count` frames of a clean stream.
Bytes Frames(const Bytes& stream, size_t count) {
  const std::vector<FrameSpan> frames = SplitFrames(stream);
  count = std::min(count, frames.size());
  if (count == 0) return {};
  return Bytes(stream.begin(), stream.begin() + static_cast<long>(frames[count - 1].offset +
                                                                  frames[count - 1].length));
}

// An ID3v2.3 tag around `body` with the size it states given separately.
Bytes Id3v23(uint8_t flags, const Bytes& statedSize, const Bytes& body) {
  return Text("ID3") + Bytes{3, 0, flags} + statedSize + body;
}

Bytes SyncSafe(uint32_t size) {
  return {static_cast<uint8_t>((size >> 21) & 0x7F), static_cast<uint8_t>((size >> 14) & 0x7F),
          static_cast<uint8_t>((size >> 7) & 0x7F), static_cast<uint8_t>(size & 0x7F)};
}

Bytes TextFrame(const std::string& id, uint32_t statedSize, const std::string& text) {
  return Text(id) + BE32(statedSize) + Bytes{0, 0} + Bytes{0} + Text(text);
}

// A tag whose first frame states `frameSize`, then a good frame, with the right tag size.
Bytes Id3v23WithFrameSize(uint32_t frameSize) {
  const Bytes frames = TextFrame("TPE1", frameSize, "Somebody") +
                       TextFrame("TIT2", 1 + 9, "The title") + Bytes(16, 0);
  return Id3v23(0, SyncSafe(static_cast<uint32_t>(frames.size())), frames);
}

Bytes Id3v1() {
  Bytes tag = Text("TAG") + Bytes(125, 0);
  std::copy_n("A title", 7, tag.begin() + 3);
  return tag;
}

// A MacBinary header for a data fork and a resource fork of the stated lengths.
Bytes MacBinary(uint32_t dataLength, uint32_t resourceLength) {
  Bytes header(128, 0);
  header[1] = 8;
  std::copy_n("song.mp3", 8, header.begin() + 2);
  const Bytes data = BE32(dataLength);
  const Bytes resource = BE32(resourceLength);
  std::copy(data.begin(), data.end(), header.begin() + 83);
  std::copy(resource.begin(), resource.end(), header.begin() + 87);
  return header;
}

// RIFF WAVE holding MPEG audio: a format chunk of the stated size, then the data chunk.
Bytes RiffWave(uint32_t fmtSize, uint32_t dataSize, const Bytes& audio) {
  const Bytes fmt = Text("fmt ") + LE32(fmtSize) + Bytes{0x50, 0, 2, 0} + LE32(44100) +
                    LE32(24000) + Bytes{1, 0, 0, 0};
  const Bytes body = Text("WAVE") + fmt + Text("data") + LE32(dataSize) + audio;
  return Text("RIFF") + LE32(static_cast<uint32_t>(body.size())) + body;
}

void Write(std::vector<HostileFile>& files, const fs::path& dir, const std::string& name,
           const Bytes& bytes, Expect expect) {
  const fs::path path = dir / (name + ".mp3");
  engine::test::WriteFileBytes(path, bytes);
  files.push_back({name, path, expect});
}

constexpr const char* kNames[] = {
    "empty",
    "directory",
    "unreadable",
    "zeros",
    "random_bytes",
    "ff_bytes_3mb",
    "id3v2_size_far_past_end",
    "id3v23_extended_header_huge",
    "id3v23_frame_size_zero",
    "id3v23_frame_size_negative",
    "id3v23_frame_size_huge",
    "id3v23_frame_one_byte_short",
    "lyrics3_size_before_start",
    "lyrics3_size_before_start_without_id3v1",
    "riff_chunk_size_negative",
    "riff_chunk_size_huge",
    "riff_data_size_negative",
    "macbinary_huge_forks",
    "macbinary_negative_forks",
    "cut_in_a_frame",
    "cut_in_the_first_frame",
    "cut_in_a_leading_tag",
    "cut_in_a_trailing_tag",
    "cut_in_a_lyrics3_tag",
    "garbage_between_frames",
    "rate_changes_mid_stream",
    "layer_changes_mid_stream",
    "free_format_without_a_second_frame",
    "free_format_first_frame_then_zeros",
};

std::vector<HostileFile> Make() {
  std::vector<HostileFile> files;
  const auto& streams = Streams();
  if (streams.layer2_short.empty() || streams.layer2_48.empty() || streams.layer2_free.empty() ||
      streams.layer3.empty()) {
    return files;
  }
  static engine::test::TempDir dir;
  const Bytes audio = ReadFileBytes(streams.layer2_short);
  const Bytes audio48 = ReadFileBytes(streams.layer2_48);
  const Bytes layer3 = ReadFileBytes(streams.layer3);
  const Bytes free_format = ReadFileBytes(streams.layer2_free);
  const std::vector<FrameSpan> frames = SplitFrames(audio);
  if (frames.size() < 20) throw std::runtime_error("the short Layer II stream is too short");

  // Not audio at all.
  Write(files, dir.Path(), "empty", {}, Expect::kRefused);
  fs::create_directory(dir / "directory.mp3");
  files.push_back({"directory", dir / "directory.mp3", Expect::kRefused});
  {
    // Root reads it all the same; then it is an ordinary file.
    const fs::path path = dir / "unreadable.mp3";
    engine::test::WriteFileBytes(path, audio);
    ::chmod(path.c_str(), 0);
    files.push_back({"unreadable", path,
                     ::access(path.c_str(), R_OK) == 0 ? Expect::kPlays : Expect::kRefused});
  }
  Write(files, dir.Path(), "zeros", Bytes(256 * 1024, 0), Expect::kRefused);
  Write(files, dir.Path(), "random_bytes", Random(256 * 1024, 7), Expect::kEither);
  Write(files, dir.Path(), "ff_bytes_3mb", Bytes(3 << 20, 0xFF), Expect::kRefused);

  // Tags that lie about their sizes, in front of good audio. (The sizes hold no 0xFF byte: the
  // first frame is looked for at the first sync pattern, and a size such as 0x7FFFFFF0 inside
  // a tag the reader passes over would be taken for a damaged header and refused.)
  Write(files, dir.Path(), "id3v2_size_far_past_end",
        Id3v23(0, SyncSafe(0x0FFFFFFF), TextFrame("TIT2", 6, "Title")) + audio, Expect::kPlays);
  Write(
      files, dir.Path(), "id3v23_extended_header_huge",
      Id3v23(0x40, SyncSafe(100), BE32(0x7F000000) + Bytes(6, 0) + TextFrame("TIT2", 6, "Title")) +
          Bytes(60, 0) + audio,
      Expect::kPlays);
  Write(files, dir.Path(), "id3v23_frame_size_zero", Id3v23WithFrameSize(0) + audio,
        Expect::kPlays);
  Write(files, dir.Path(), "id3v23_frame_size_negative", Id3v23WithFrameSize(0x80000000) + audio,
        Expect::kPlays);
  Write(files, dir.Path(), "id3v23_frame_size_huge", Id3v23WithFrameSize(0x7F000000) + audio,
        Expect::kPlays);
  Write(files, dir.Path(), "id3v23_frame_one_byte_short", Id3v23WithFrameSize(1 + 8 - 1) + audio,
        Expect::kPlays);
  Write(files, dir.Path(), "lyrics3_size_before_start",
        audio + Text("LYRICSBEGIN") + Text("LYR00005hello") + Text("999999LYRICS200") + Id3v1(),
        Expect::kPlays);
  Write(files, dir.Path(), "lyrics3_size_before_start_without_id3v1",
        audio + Text("LYRICSBEGININD00002") + Text("10") + Text("500000LYRICS200"), Expect::kPlays);
  Write(files, dir.Path(), "riff_chunk_size_negative", RiffWave(0x80000010, 0, audio),
        Expect::kPlays);
  Write(files, dir.Path(), "riff_chunk_size_huge", RiffWave(16, 0x7F000000, audio), Expect::kPlays);
  Write(files, dir.Path(), "riff_data_size_negative", RiffWave(16, 0x80000020, audio),
        Expect::kPlays);
  Write(files, dir.Path(), "macbinary_huge_forks", MacBinary(0x7F000000, 0x7F000000) + audio,
        Expect::kPlays);
  Write(files, dir.Path(), "macbinary_negative_forks", MacBinary(0x80000100, 0x80000000) + audio,
        Expect::kPlays);

  // Cut downloads.
  {
    const FrameSpan& cut = frames[10];
    Write(files, dir.Path(), "cut_in_a_frame",
          Bytes(audio.begin(), audio.begin() + static_cast<long>(cut.offset + cut.length / 2)),
          Expect::kPlays);
    Write(files, dir.Path(), "cut_in_the_first_frame",
          Bytes(audio.begin(), audio.begin() + static_cast<long>(frames[0].length / 2)),
          Expect::kEither);
    const Bytes tag =
        Id3v23(0, SyncSafe(2000), TextFrame("TIT2", 1 + 1900, std::string(1900, 'x')));
    Write(files, dir.Path(), "cut_in_a_leading_tag", Bytes(tag.begin(), tag.begin() + 700),
          Expect::kRefused);
    const Bytes id3v1 = Id3v1();
    Write(files, dir.Path(), "cut_in_a_trailing_tag",
          audio + Bytes(id3v1.begin(), id3v1.begin() + 60), Expect::kPlays);
    Write(files, dir.Path(), "cut_in_a_lyrics3_tag",
          audio + Text("LYRICSBEGININD00002") + Text("10LYR0050"), Expect::kPlays);
  }

  // Damaged streams.
  {
    Bytes junked;
    const Bytes junk = Random(333, 8);
    for (size_t i = 0; i < frames.size(); ++i) {
      junked.insert(junked.end(), audio.begin() + static_cast<long>(frames[i].offset),
                    audio.begin() + static_cast<long>(frames[i].offset + frames[i].length));
      if (i % 4 == 3) junked.insert(junked.end(), junk.begin(), junk.begin() + 37 + 29 * (i % 9));
    }
    Write(files, dir.Path(), "garbage_between_frames", junked, Expect::kPlays);
  }
  Write(files, dir.Path(), "rate_changes_mid_stream",
        Frames(audio, 12) + Frames(audio48, 12) + Frames(audio, 12), Expect::kPlays);
  Write(files, dir.Path(), "layer_changes_mid_stream",
        Frames(audio, 12) + layer3 + Frames(audio, 12), Expect::kPlays);
  // Without a second header a free-format frame's length cannot be measured.
  Write(files, dir.Path(), "free_format_without_a_second_frame", Frames(free_format, 1),
        Expect::kRefused);
  Write(files, dir.Path(), "free_format_first_frame_then_zeros",
        Frames(free_format, 1) + Bytes(4000, 0), Expect::kRefused);
  return files;
}

}  // namespace

const std::vector<HostileFile>& HostileFiles() {
  static const std::vector<HostileFile> files = Make();
  return files;
}

std::vector<std::string> HostileFileNames() { return {std::begin(kNames), std::end(kNames)}; }

const HostileFile* HostileFileNamed(const std::string& name) {
  if (std::find(std::begin(kNames), std::end(kNames), name) == std::end(kNames)) {
    throw std::out_of_range("no hostile file " + name);
  }
  for (const HostileFile& file : HostileFiles()) {
    if (file.name == name) return &file;
  }
  if (!HostileFiles().empty()) throw std::logic_error("hostile file " + name + " was not made");
  return nullptr;
}

}  // namespace yumekaze::robustness

#include "tag_files.h"

#include <algorithm>
#include <cstdio>

namespace yumekaze::engine::test_support {

Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

Bytes Text(std::string_view text) { return Bytes(text.begin(), text.end()); }

Bytes BE32(uint32_t value) {
  return {uint8_t(value >> 24), uint8_t(value >> 16), uint8_t(value >> 8), uint8_t(value)};
}

Bytes LE32(uint32_t value) {
  return {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)};
}

Bytes Audio(size_t size) {
  Bytes bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = i % 2 ? 0xFB : 0xFF;
  return bytes;
}

Bytes Id3v2Frame(std::string_view id, const Bytes& content) {
  return Text(id) + BE32(uint32_t(content.size())) + Bytes{0, 0} + content;
}

Bytes Id3v2TextFrame(std::string_view id, std::string_view text) {
  return Id3v2Frame(id, Bytes{0} + Text(text));
}

Bytes SyncSafe(uint32_t size) {
  return {uint8_t(size >> 21 & 0x7F), uint8_t(size >> 14 & 0x7F), uint8_t(size >> 7 & 0x7F),
          uint8_t(size & 0x7F)};
}

Bytes Id3v24Frame(std::string_view id, const Bytes& content, uint8_t format_flags) {
  return Text(id) + SyncSafe(uint32_t(content.size())) + Bytes{0, format_flags} + content;
}

Bytes Id3v22Frame(std::string_view id, const Bytes& content) {
  const auto size = uint32_t(content.size());
  return Text(id) + Bytes{uint8_t(size >> 16), uint8_t(size >> 8), uint8_t(size)} + content;
}

Bytes Unsynchronise(const Bytes& bytes) {
  Bytes out;
  for (size_t i = 0; i < bytes.size(); ++i) {
    out.push_back(bytes[i]);
    if (bytes[i] == 0xFF && (i + 1 == bytes.size() || bytes[i + 1] >= 0xE0 || bytes[i + 1] == 0)) {
      out.push_back(0);
    }
  }
  return out;
}

Bytes ApeTag(const std::vector<std::pair<std::string, std::string>>& items, uint32_t version,
             bool header) {
  Bytes body;
  for (const auto& [key, value] : items) {
    body = body + LE32(uint32_t(value.size())) + LE32(0) + Text(key) + Bytes{0} + Text(value);
  }
  const bool with_header = header && version >= 2000;
  const auto block = [&](uint32_t flags) {
    return Text("APETAGEX") + LE32(version) + LE32(uint32_t(body.size() + 32)) +
           LE32(uint32_t(items.size())) + LE32(flags) + Bytes(8, 0);
  };
  // Bit 31: the tag has a header; bit 29: this block is the header.
  const uint32_t has_header = with_header ? 0x80000000u : 0;
  return (with_header ? block(has_header | 0x20000000u) : Bytes{}) + body + block(has_header);
}

Bytes Id3v2Tag(uint8_t version, const Bytes& body, uint8_t flags) {
  return Text("ID3") + Bytes{version, 0, flags} + SyncSafe(uint32_t(body.size())) + body;
}

namespace {

Bytes Field(std::string_view text, size_t size) {
  Bytes bytes = Text(text.substr(0, size));
  bytes.resize(size, 0);
  return bytes;
}

}  // namespace

Bytes Id3v1Tag(const Id3v1Fields& f) {
  Bytes tag = Text("TAG") + Field(f.title, 30) + Field(f.artist, 30) + Field(f.album, 30) +
              Field(f.year, 4) + Field(f.comment, 30) + Bytes{f.genre};
  if (f.track >= 0) {
    tag[125] = 0;
    tag[126] = uint8_t(f.track);
  } else if (tag[125] == 0) {
    tag[125] = ' ';
  }
  return tag;
}

Bytes Lyrics3v1(std::string_view lyrics) {
  return Text("LYRICSBEGIN") + Text(lyrics) + Text("LYRICSEND");
}

Bytes Lyrics3v2(const std::vector<std::pair<std::string, std::string>>& fields) {
  Bytes block = Text("LYRICSBEGIN");
  for (const auto& [id, data] : fields) {
    char length[6];
    std::snprintf(length, sizeof length, "%05zu", data.size());
    block = block + Text(id) + Text(length) + Text(data);
  }
  char size[7];
  std::snprintf(size, sizeof size, "%06zu", block.size());
  return block + Text(size) + Text("LYRICS200");
}

Bytes RiffChunk(std::string_view id, const Bytes& data) {
  Bytes chunk = Text(id) + LE32(uint32_t(data.size())) + data;
  if (data.size() % 2) chunk.push_back(0);
  return chunk;
}

Bytes RiffWave(const Bytes& data, const Bytes& trailing_chunks) {
  const Bytes body =
      Text("WAVE") + RiffChunk("fmt ", Bytes(30, 1)) + RiffChunk("data", data) + trailing_chunks;
  return Text("RIFF") + LE32(uint32_t(body.size())) + body;
}

Bytes InfoList(const std::vector<std::pair<std::string, std::string>>& entries) {
  Bytes body = Text("INFO");
  for (const auto& [id, value] : entries) body = body + RiffChunk(id, Text(value) + Bytes{0});
  return RiffChunk("LIST", body);
}

Bytes MacBinary(const Bytes& data_fork, const Bytes& resource_fork) {
  Bytes header(128, 0);
  header[1] = 8;
  const std::string name = "song.mp3";
  std::copy(name.begin(), name.end(), header.begin() + 2);
  const Bytes data_length = BE32(uint32_t(data_fork.size()));
  const Bytes resource_length = BE32(uint32_t(resource_fork.size()));
  std::copy(data_length.begin(), data_length.end(), header.begin() + 83);
  std::copy(resource_length.begin(), resource_length.end(), header.begin() + 87);
  Bytes padded_data = data_fork;
  padded_data.resize((data_fork.size() + 127) / 128 * 128, 0);
  return header + padded_data + resource_fork;
}

Scan::Scan(Bytes bytes, bool seekable, int32_t capacity)
    : stream(std::move(bytes)), reader(capacity) {
  reader.Open(&stream, seekable);
  info.Attach(&reader);
  leading_result = info.ScanLeading();
  if (seekable) info.ScanTrailing();
}

}  // namespace yumekaze::engine::test_support

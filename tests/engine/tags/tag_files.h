// Builders of tagged files for the tag reader's tests, and a scan that runs the reader the way the
// player does when it opens a file.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/stream/memory_stream.h"
#include "engine/stream/stream_reader.h"
#include "engine/tags/mp3_info.h"

namespace yumekaze::engine::test_support {

using Bytes = std::vector<uint8_t>;

Bytes operator+(Bytes a, const Bytes& b);
Bytes Text(std::string_view text);
Bytes BE32(uint32_t value);
Bytes LE32(uint32_t value);

// Bytes that stand for audio data (the tag reader never looks into it).
Bytes Audio(size_t size);

// An ID3v2.3 frame: identifier, BE32 size, two flag bytes, content (encoding byte included).
Bytes Id3v2Frame(std::string_view id, const Bytes& content);
// An ID3v2 text frame with encoding 0.
Bytes Id3v2TextFrame(std::string_view id, std::string_view text);
// An ID3v2 header (syncsafe size of body) followed by body.
Bytes Id3v2Tag(uint8_t version, const Bytes& body, uint8_t flags = 0);
// The syncsafe size field for size.
Bytes SyncSafe(uint32_t size);
// An ID3v2.4 frame (syncsafe size) with the given format flags (second flag byte).
Bytes Id3v24Frame(std::string_view id, const Bytes& content, uint8_t format_flags = 0);
// An ID3v2.2 frame: three-letter identifier, 24-bit size.
Bytes Id3v22Frame(std::string_view id, const Bytes& content);
// ID3v2 unsynchronisation: a zero after every 0xFF that is followed by 0xE0 or more or a zero.
Bytes Unsynchronise(const Bytes& bytes);

// An APE tag: items (key, UTF-8 value), footer, and for version 2000 with header a header.
Bytes ApeTag(const std::vector<std::pair<std::string, std::string>>& items, uint32_t version = 2000,
             bool header = true);

struct Id3v1Fields {
  std::string title{}, artist{}, album{}, year{}, comment{};
  int track = -1;  // -1: ID3v1.0 (byte 125 non-zero)
  uint8_t genre = 255;
};
Bytes Id3v1Tag(const Id3v1Fields& fields);

Bytes Lyrics3v1(std::string_view lyrics);
// Version 2 block; each field is identifier (3 characters) and data.
Bytes Lyrics3v2(const std::vector<std::pair<std::string, std::string>>& fields);

Bytes RiffChunk(std::string_view id, const Bytes& data);  // padded to even
// RIFF WAVE with a "fmt " chunk, the "data" chunk and optional chunks behind it.
Bytes RiffWave(const Bytes& data, const Bytes& trailing_chunks = {});
Bytes InfoList(const std::vector<std::pair<std::string, std::string>>& entries);

Bytes MacBinary(const Bytes& data_fork, const Bytes& resource_fork = {});

// Reader and tag reader after the player's open sequence: Attach, ScanLeading and, when
// seekable, ScanTrailing.
struct Scan {
  explicit Scan(Bytes bytes, bool seekable = true, int32_t capacity = 65536);

  TMPMemoryStream stream;
  TMPStreamReader reader;
  TMP3Info info;
  bool leading_result = false;
};

}  // namespace yumekaze::engine::test_support

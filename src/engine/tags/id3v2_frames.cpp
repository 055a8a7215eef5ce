// The frame walk: headers of 6 bytes (2.2) or 10 bytes (2.3, 2.4), sizes checked against the
// tag, the data behind the flags (group, encryption, data length), unsynchronisation and zlib.
#include "engine/tags/id3v2_frames.h"

#include <algorithm>

#include "engine/tags/tag_bytes.h"
#include "engine/tags/tag_inflate.h"

namespace yumekaze::engine::id3v2 {

namespace {

// Format flags of 2.3 frames (second flag byte).
constexpr uint8_t kV3Compressed = 0x80;
constexpr uint8_t kV3Encrypted = 0x40;
constexpr uint8_t kV3Grouped = 0x20;
// Format flags of 2.4 frames.
constexpr uint8_t kV4Grouped = 0x40;
constexpr uint8_t kV4Compressed = 0x08;
constexpr uint8_t kV4Encrypted = 0x04;
constexpr uint8_t kV4Unsynchronised = 0x02;
constexpr uint8_t kV4DataLength = 0x01;

bool IsIdCharacter(uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

// Frames whose content says something the reader keeps: text, URLs, comments, lyrics, pictures,
// relative volume.
bool IsWanted(std::string_view id) {
  if (id[0] == 'T' || id[0] == 'W') return true;
  for (const std::string_view wanted : {"COMM", "COM", "USLT", "ULT", "APIC", "PIC", "RVA2"}) {
    if (id == wanted) return true;
  }
  return false;
}

struct FrameHeader {
  std::string id;
  int64_t size = 0;
  uint8_t format_flags = 0;
};

// The header at p, or an empty id when it is not one.
FrameHeader ParseHeader(const uint8_t* p, uint8_t version) {
  FrameHeader header;
  const size_t id_size = version == 2 ? 3 : 4;
  for (size_t i = 0; i < id_size; ++i) {
    if (!IsIdCharacter(p[i])) return {};
  }
  header.id.assign(reinterpret_cast<const char*>(p), id_size);
  if (version == 2) {
    header.size = int64_t{p[3]} << 16 | int64_t{p[4]} << 8 | p[5];
  } else if (version == 3) {
    header.size = static_cast<uint32_t>(tag_bytes::ReadBE32(p + 4));
    header.format_flags = p[9];
  } else {
    // Some writers put plain 32-bit sizes into 2.4 frames (see V4FrameSize).
    const int32_t syncsafe = tag_bytes::ReadSyncSafe32(p + 4);
    header.size = syncsafe >= 0 ? syncsafe : static_cast<uint32_t>(tag_bytes::ReadBE32(p + 4));
    header.format_flags = p[9];
  }
  return header;
}

// Where the header at the reader's position, read as syncsafe, does not lead to another frame,
// padding or the tag's end, and read as a plain 32-bit number it does, the plain size counts:
// older versions of a popular player wrote 2.4 tags so. Only looks within the ring.
int64_t V4FrameSize(TMPStreamReader& reader, int64_t syncsafe, int64_t remaining) {
  const int64_t plain = static_cast<uint32_t>(tag_bytes::ReadBE32(reader.Data() + 4));
  if (plain == syncsafe) return syncsafe;
  const auto leads_on = [&](int64_t size) {
    const int64_t next = 10 + size;
    if (next >= remaining) return next == remaining;
    if (next + 4 > remaining || next + 4 > reader.Capacity()) return true;
    if (!reader.Request(static_cast<int32_t>(next + 4))) return false;
    const uint8_t* p = reader.Data() + next;
    if ((p[0] | p[1] | p[2] | p[3]) == 0) return true;
    return IsIdCharacter(p[0]) && IsIdCharacter(p[1]) && IsIdCharacter(p[2]) && IsIdCharacter(p[3]);
  };
  return !leads_on(syncsafe) && leads_on(plain) ? plain : syncsafe;
}

// The frame's data without the bytes its flags put in front, unsynchronisation undone and zlib
// inflated; false when the frame cannot be read (encrypted, damaged).
bool DecodeData(const FrameHeader& header, uint8_t version, bool unsynchronised, std::string& data,
                TFrameResults& results) {
  const uint8_t flags = header.format_flags;
  size_t prefix = 0;
  bool compressed = false;
  if (version == 3) {
    compressed = flags & kV3Compressed;
    if (flags & kV3Encrypted) return false;
    prefix = (compressed ? 4 : 0) + ((flags & kV3Grouped) ? 1 : 0);
  } else if (version == 4) {
    compressed = flags & kV4Compressed;
    if (flags & kV4Encrypted) return false;
    prefix = ((flags & kV4Grouped) ? 1 : 0) + ((flags & kV4DataLength) ? 4 : 0);
    unsynchronised = unsynchronised || (flags & kV4Unsynchronised);
  }
  if (prefix > data.size()) return false;
  data.erase(0, prefix);
  if (version == 4 && unsynchronised) data = tag_bytes::Resynchronise(data);
  if (compressed) {
    if (results.inflate_left <= 0) return false;
    const int64_t limit = std::min(kMaxFrameContent, results.inflate_left);
    auto inflated = tag_bytes::Inflate(data, static_cast<size_t>(limit));
    if (!inflated) return false;
    results.inflate_left -= static_cast<int64_t>(inflated->size());
    data = std::move(*inflated);
  }
  return true;
}

}  // namespace

bool WalkFrames(TMPStreamReader& reader, int64_t end, uint8_t version, bool unsynchronised,
                TFrameResults& results) {
  const int32_t header_size = version == 2 ? 6 : 10;
  std::string data;
  for (;;) {
    const int64_t remaining = end - reader.Position();
    if (remaining < 0) return false;
    // Less than a header, or a header starting with a zero byte, is padding.
    if (remaining < header_size) return reader.Skip(remaining);
    if (!reader.Request(header_size)) return false;
    if (reader.Data()[0] == 0) return reader.Skip(remaining);
    FrameHeader header = ParseHeader(reader.Data(), version);
    if (header.id.empty()) return false;
    if (version == 4) header.size = V4FrameSize(reader, header.size, remaining);
    // Each frame moves on by at least its header, so the walk ends.
    if (header.size > remaining - header_size) return false;
    reader.Skip(header_size);
    if (!IsWanted(header.id) || header.size > kMaxFrameContent) {
      if (IsWanted(header.id)) {
        results.skipped.push_back("ID3v2 frame " + header.id + " of " +
                                  std::to_string(header.size) + " bytes: larger than the " +
                                  std::to_string(kMaxFrameContent) +
                                  " bytes a frame is read up to");
      }
      if (!reader.Skip(header.size)) return false;
      continue;
    }
    if (!tag_bytes::ReadPieces(reader, header.size, data)) return false;
    if (DecodeData(header, version, unsynchronised, data, results)) {
      AddFrame(header.id, data, results);
    }
  }
}

}  // namespace yumekaze::engine::id3v2

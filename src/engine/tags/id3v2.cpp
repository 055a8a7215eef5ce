// ID3v2 tags of versions 2.2, 2.3 and 2.4: in front of the audio (one or several in a row) and
// appended behind it (found by its "3DI" footer). The frames are read in id3v2_frames.cpp.
#include <algorithm>

#include "engine/stream/memory_stream.h"
#include "engine/tags/id3v2_frames.h"
#include "engine/tags/mp3_info.h"
#include "engine/tags/tag_bytes.h"

namespace yumekaze::engine {

namespace {

constexpr int32_t kHeaderSize = 10;  // also the footer's size
constexpr uint8_t kUnsynchronisedFlag = 0x80;
constexpr uint8_t kExtendedHeaderFlag = 0x40;
constexpr uint8_t kV22CompressedFlag = 0x40;  // no scheme was ever defined; frames unreadable
constexpr uint8_t kFooterFlag = 0x10;
// A whole tag is read into memory only to undo its unsynchronisation (2.2 and 2.3).
constexpr int64_t kMaxUnsynchronisedTag = 32 << 20;

struct TagHeader {
  uint8_t version = 0;
  uint8_t flags = 0;
  int64_t size = 0;  // of the body: extended header, frames, padding
};

// Header or footer at p ("ID3" or "3DI"); size 0 when it is not one.
TagHeader ParseHeader(const uint8_t* p, std::string_view magic) {
  if (!tag_bytes::HasBytes(p, magic) || p[3] == 0xFF || p[4] == 0xFF) return {};
  // Each size byte counts 7 bits; the top bits are not masked, as writers that set them expect.
  const int64_t size =
      int64_t{p[6]} << 21 | int64_t{p[7]} << 14 | int64_t{p[8]} << 7 | int64_t{p[9]};
  return {p[3], p[5], size};
}

int64_t TagLength(const TagHeader& header) {
  const bool footer = header.version == 4 && (header.flags & kFooterFlag);
  return kHeaderSize + header.size + (footer ? kHeaderSize : 0);
}

// Passes over the extended header at the reader's position; false when its size does not fit
// the body.
bool SkipExtendedHeader(TMPStreamReader& reader, const TagHeader& header) {
  if (!reader.Request(4)) return false;
  int64_t length = 0;
  if (header.version == 3) {
    // Counts the bytes after its own size field.
    const int32_t size = tag_bytes::ReadBE32(reader.Data());
    if (size < 0) return false;
    length = 4 + int64_t{size};
  } else {
    // Counts itself.
    length = tag_bytes::ReadSyncSafe32(reader.Data());
    if (length < 6) return false;
  }
  return length <= header.size && reader.Skip(length);
}

// Reads the frames of the body at the reader's position; the reader ends up somewhere inside
// the body or at its end. False when the frames or the extended header are damaged.
bool ReadBody(TMPStreamReader& reader, const TagHeader& header, id3v2::TFrameResults& results) {
  const int64_t body_end = reader.Position() + header.size;
  if (header.version < 2 || header.version > 4) return true;
  if (header.version == 2 && (header.flags & kV22CompressedFlag)) return true;
  const bool unsynchronised = header.flags & kUnsynchronisedFlag;
  if (unsynchronised && header.version < 4) {
    // The whole body is unsynchronised: undo that, then walk the frames in memory.
    if (header.size > kMaxUnsynchronisedTag) {
      results.skipped.push_back(
          "the frames of an unsynchronised ID3v2." + std::to_string(header.version) + " tag of " +
          std::to_string(header.size) + " bytes: larger than the " +
          std::to_string(kMaxUnsynchronisedTag) + " bytes such a tag is read up to");
      return true;
    }
    std::string body;
    if (!tag_bytes::ReadPieces(reader, header.size, body)) return false;
    const std::string plain = tag_bytes::Resynchronise(body);
    TMPMemoryStream stream(std::span(reinterpret_cast<const uint8_t*>(plain.data()), plain.size()));
    TMPStreamReader memory(reader.Capacity());
    memory.Open(&stream, true);
    TagHeader inner = header;
    inner.flags = static_cast<uint8_t>(header.flags & ~kUnsynchronisedFlag);
    inner.size = static_cast<int64_t>(plain.size());
    return ReadBody(memory, inner, results);
  }
  if ((header.flags & kExtendedHeaderFlag) && header.version > 2 &&
      !SkipExtendedHeader(reader, header)) {
    return false;
  }
  return id3v2::WalkFrames(reader, body_end, header.version, unsynchronised, results);
}

}  // namespace

bool TMP3Info::ScanId3v2() {
  // Tags may follow each other; each is passed over by its size, so the loop ends.
  bool found = false;
  while (ReadLeadingId3v2()) found = true;
  return found;
}

bool TMP3Info::ReadLeadingId3v2() {
  if (!reader_->Request(kHeaderSize)) return false;
  const TagHeader header = ParseHeader(reader_->Data(), "ID3");
  if (header.size <= 0) return false;
  const int64_t tag_start = reader_->Position();
  const int64_t tag_end = tag_start + TagLength(header);
  // A tag reaching past the file is no tag: its bytes may be all the audio there is.
  if (reader_->Seekable() && tag_end > reader_->Size()) return false;
  reader_->Skip(kHeaderSize);
  if (id3v2_version_ == 0) id3v2_version_ = header.version;
  if (!ReadBody(*reader_, header, id3v2_) && !reader_->Seekable()) {
    // A stream that cannot seek cannot tell a size past its end before it has read everything:
    // the audio is taken to go on where the frames stopped making sense.
    audio_start_ = reader_->Position();
    return false;
  }
  // Damaged frames cost their lines, not the audio behind the tag.
  if (!reader_->Skip(tag_end - reader_->Position())) return false;
  audio_start_ = reader_->Position();
  if (audio_length_ != kUnknownLength) {
    audio_length_ = std::max<int64_t>(0, audio_length_ - (tag_end - tag_start));
  }
  found_ |= kFoundId3v2;
  return true;
}

int64_t TMP3Info::ScanAppendedId3v2(int64_t end) {
  const int64_t footer = end - kHeaderSize;
  if (footer < audio_start_) return end;
  reader_->Seek(footer, SeekOrigin::Beginning);
  if (!reader_->Request(kHeaderSize)) return end;
  const TagHeader header = ParseHeader(reader_->Data(), "3DI");
  if (header.size <= 0 || header.version != 4) return end;
  const int64_t tag_start = end - TagLength(header);
  if (tag_start < audio_start_) return end;
  reader_->Seek(tag_start, SeekOrigin::Beginning);
  if (!reader_->Request(kHeaderSize) || ParseHeader(reader_->Data(), "ID3").size != header.size) {
    return end;
  }
  reader_->Skip(kHeaderSize);
  if (id3v2_version_ == 0) id3v2_version_ = header.version;
  ReadBody(*reader_, header, id3v2_);
  found_ |= kFoundId3v2Appended;
  return tag_start;
}

}  // namespace yumekaze::engine

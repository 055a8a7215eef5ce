// ID3v2 in front of the audio. Version 2.3 tags are walked frame by frame, one line per frame;
// other versions are passed over whole.
#include <algorithm>

#include "engine/tags/mp3_info.h"
#include "engine/tags/tag_bytes.h"

namespace yumekaze::engine {

namespace {

constexpr int32_t kHeaderSize = 10;
constexpr int32_t kFrameHeaderSize = 10;
constexpr uint8_t kExtendedHeaderFlag = 0x40;

// Text encodings of the first content byte.
constexpr uint8_t kEncodingUtf16Bom = 1;
constexpr uint8_t kEncodingUtf16BE = 2;

// The value of a frame's line: the content after the encoding byte. UTF-16 becomes UTF-8 up to
// its first zero; other encodings keep their bytes.
std::string FrameValue(const uint8_t* content, int32_t size) {
  if (size <= 1) return {};
  const uint8_t* text = content + 1;
  const auto length = static_cast<size_t>(size - 1);
  switch (content[0]) {
    case kEncodingUtf16Bom:
      // Without its byte order mark such text comes from little-endian writers.
      return tag_bytes::Utf16ToUtf8(text, length, /*little_endian_default=*/true);
    case kEncodingUtf16BE:
      return tag_bytes::Utf16ToUtf8(text, length, /*little_endian_default=*/false);
    default:
      return std::string(reinterpret_cast<const char*>(text), length);
  }
}

}  // namespace

bool TMP3Info::ScanId3v2() {
  if (!reader_->Request(kHeaderSize)) return false;
  const uint8_t* header = reader_->Data();
  if (!tag_bytes::HasBytes(header, "ID3")) return false;
  // Each size byte counts 7 bits; the top bits are not masked, as writers that set them expect.
  const int64_t size = int64_t{header[6]} << 21 | int64_t{header[7]} << 14 |
                       int64_t{header[8]} << 7 | int64_t{header[9]};
  if (size <= 0) return false;
  const int64_t tag_end = reader_->Position() + kHeaderSize + size;

  if (header[3] != 3) {
    if (!reader_->Skip(kHeaderSize + size)) return false;
  } else {
    if (header[5] & kExtendedHeaderFlag) {
      if (!reader_->Request(kHeaderSize + 4)) return false;
      // The extended header's size counts the bytes after its own size field.
      const int32_t extended_size = tag_bytes::ReadBE32(reader_->Data() + kHeaderSize);
      if (extended_size < 0 || extended_size > size) return false;
      if (!reader_->Skip(kHeaderSize + 4 + int64_t{extended_size})) return false;
    } else {
      reader_->Skip(kHeaderSize);
    }
    if (!WalkId3v2Frames(tag_end)) return false;
  }
  audio_start_ = reader_->Position();
  if (audio_length_ != kUnknownLength) {
    audio_length_ = std::max<int64_t>(0, audio_length_ - (kHeaderSize + size));
  }
  found_ |= kFoundId3v2;
  return true;
}

// Adds one line per frame up to tag_end and leaves the reader there; false when a frame is
// damaged or the stream ends inside the tag (the lines read until then stay).
bool TMP3Info::WalkId3v2Frames(int64_t tag_end) {
  for (;;) {
    const int64_t remaining = tag_end - reader_->Position();
    if (remaining < 0) return false;
    // Fewer bytes than a frame header, or a header starting with a zero byte, is padding: the
    // tag's size says where the audio begins.
    if (remaining < kFrameHeaderSize) return reader_->Skip(remaining);
    if (!reader_->Request(kFrameHeaderSize)) return false;
    if (reader_->Data()[0] == 0) return reader_->Skip(remaining);
    const int32_t frame_size = tag_bytes::ReadBE32(reader_->Data() + 4);
    if (frame_size < 0) return false;
    const int64_t frame_length = kFrameHeaderSize + int64_t{frame_size};
    // A frame reaching past the tag is damaged; its bytes beyond the tag are audio, not text.
    if (frame_length > remaining) return false;
    // Frames larger than the ring (pictures, mostly) are passed over without a line.
    if (frame_length <= reader_->Capacity()) {
      if (!reader_->Request(static_cast<int32_t>(frame_length))) return false;
      const uint8_t* frame = reader_->Data();
      id3v2_lines_.push_back(tag_bytes::CleanField(frame, 4) + "=" +
                             FrameValue(frame + kFrameHeaderSize, frame_size));
    }
    if (!reader_->Skip(frame_length)) return false;
  }
}

}  // namespace yumekaze::engine

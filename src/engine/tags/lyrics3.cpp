// Lyrics3 in front of the ID3v1 tag (or at the end of the file or data fork): version 1 ends in
// "LYRICSEND", version 2 in a 6-digit size and "LYRICS200".
#include <algorithm>

#include "engine/tags/mp3_info.h"
#include "engine/tags/tag_bytes.h"

namespace yumekaze::engine {

namespace {

constexpr int32_t kMarkerSize = 9;  // "LYRICSEND" or "LYRICS200"
constexpr int32_t kSizeFieldSize = 6;
constexpr std::string_view kBegin = "LYRICSBEGIN";
// Version 1 blocks hold at most 5100 bytes from their "LYRICSBEGIN" to their "LYRICSEND".
constexpr int64_t kVersion1Reach = 5100;
constexpr int32_t kFieldHeaderSize = 8;  // 3-character identifier, 5-digit length

}  // namespace

void TMP3Info::ScanLyrics3() {
  const int64_t end = (found_ & kFoundId3v1) ? id3v1_position_ : TrailingEnd();
  const int64_t marker = end - kMarkerSize;
  if (marker < 0 || marker > reader_->Size()) return;
  reader_->Seek(marker, SeekOrigin::Beginning);
  if (!reader_->Request(kMarkerSize)) return;

  if (tag_bytes::HasBytes(reader_->Data(), "LYRICSEND")) {
    const int64_t from = std::max<int64_t>(0, marker - kVersion1Reach);
    reader_->Seek(from, SeekOrigin::Beginning);
    std::string text;
    if (!ReadBytes(marker - from, text)) return;
    const size_t begin = text.find(kBegin);
    if (begin == std::string::npos) return;
    lyrics3_lines_.push_back("LYRICS=" + text.substr(begin + kBegin.size()));
    lyrics3_start_ = from + static_cast<int64_t>(begin);
    found_ |= kFoundLyrics3;
  } else if (tag_bytes::HasBytes(reader_->Data(), "LYRICS200")) {
    if (ReadLyrics3v2(marker)) found_ |= kFoundLyrics3;
  }
}

// Reads the fields of a version 2 block whose marker lies at marker; false when the block or one
// of its fields is damaged (the lines read until then stay).
bool TMP3Info::ReadLyrics3v2(int64_t marker) {
  const int64_t fields_end = marker - kSizeFieldSize;
  if (fields_end < 0) return false;
  reader_->Seek(fields_end, SeekOrigin::Beginning);
  if (!reader_->Request(kSizeFieldSize)) return false;
  // The size counts the bytes from "LYRICSBEGIN" up to the size field.
  const int64_t block_size =
      tag_bytes::ParseDecimal(tag_bytes::CleanField(reader_->Data(), kSizeFieldSize));
  if (block_size <= 0) return false;
  const int64_t block_start = fields_end - block_size;
  if (block_start < 0) return false;
  reader_->Seek(block_start, SeekOrigin::Beginning);
  if (!reader_->Request(static_cast<int32_t>(kBegin.size())) ||
      !tag_bytes::HasBytes(reader_->Data(), kBegin)) {
    return false;
  }
  reader_->Skip(static_cast<int64_t>(kBegin.size()));
  lyrics3_start_ = block_start;
  // Every field moves on by at least 9 bytes, so the walk ends.
  while (reader_->Position() < fields_end) {
    if (!reader_->Request(kFieldHeaderSize)) return false;
    const std::string id = tag_bytes::CleanField(reader_->Data(), 3);
    const int64_t length = tag_bytes::ParseDecimal(tag_bytes::CleanField(reader_->Data() + 3, 5));
    if (length <= 0) return false;
    reader_->Skip(kFieldHeaderSize);
    if (reader_->Position() + length > fields_end) return false;
    std::string value;
    if (!ReadBytes(length, value)) return false;
    lyrics3_lines_.push_back(id + "=" + value);
  }
  return true;
}

}  // namespace yumekaze::engine

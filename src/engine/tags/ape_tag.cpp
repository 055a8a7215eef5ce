// APEv2 and APEv1 tags behind the audio (in front of Lyrics3 and ID3v1): a 32-byte footer
// "APETAGEX", items of a size, flags, a zero-terminated key and a value, and for APEv2 a header
// of the footer's shape in front of the items.
#include <strings.h>

#include <algorithm>
#include <cstring>

#include "engine/tags/id3v2_frames.h"
#include "engine/tags/mp3_info.h"
#include "engine/tags/picture_header.h"
#include "engine/tags/tag_bytes.h"

namespace yumekaze::engine {

namespace {

constexpr int32_t kFooterSize = 32;
constexpr uint32_t kHasHeaderFlag = 0x80000000u;
constexpr int32_t kItemHeaderSize = 8;  // value size, item flags
constexpr int64_t kMaxKeySize = 255;
constexpr uint32_t kBinaryItem = 1;  // bits 1-2 of the item flags; 0 is UTF-8 text

}  // namespace

int64_t TMP3Info::ScanApe(int64_t end) {
  const int64_t footer = end - kFooterSize;
  if (footer < audio_start_) return end;
  reader_->Seek(footer, SeekOrigin::Beginning);
  if (!reader_->Request(kFooterSize) || !tag_bytes::HasBytes(reader_->Data(), "APETAGEX")) {
    return end;
  }
  const uint8_t* p = reader_->Data();
  const uint32_t version = static_cast<uint32_t>(tag_bytes::ReadLE32(p + 8));
  // Items and footer, without the header.
  const int64_t size = static_cast<uint32_t>(tag_bytes::ReadLE32(p + 12));
  const uint32_t count = static_cast<uint32_t>(tag_bytes::ReadLE32(p + 16));
  const uint32_t flags = static_cast<uint32_t>(tag_bytes::ReadLE32(p + 20));
  if (size < kFooterSize || end - size < audio_start_) return end;
  const int64_t items_start = end - size;
  int64_t tag_start = items_start;
  if (version >= 2000 && (flags & kHasHeaderFlag) && items_start - kFooterSize >= audio_start_) {
    reader_->Seek(items_start - kFooterSize, SeekOrigin::Beginning);
    if (reader_->Request(kFooterSize) && tag_bytes::HasBytes(reader_->Data(), "APETAGEX")) {
      tag_start = items_start - kFooterSize;
    }
  }
  reader_->Seek(items_start, SeekOrigin::Beginning);
  // Every item takes at least ten bytes, so the item count cannot keep the loop going.
  std::string value;
  for (uint32_t i = 0; i < count && footer - reader_->Position() > kItemHeaderSize; ++i) {
    if (!reader_->Request(kItemHeaderSize)) break;
    const int64_t value_size = static_cast<uint32_t>(tag_bytes::ReadLE32(reader_->Data()));
    const uint32_t item_flags = static_cast<uint32_t>(tag_bytes::ReadLE32(reader_->Data() + 4));
    reader_->Skip(kItemHeaderSize);
    const int32_t key_room = static_cast<int32_t>(
        std::min({kMaxKeySize + 1, footer - reader_->Position(), int64_t{reader_->Capacity()}}));
    if (!reader_->Request(key_room)) break;
    const void* zero = std::memchr(reader_->Data(), 0, static_cast<size_t>(key_room));
    if (zero == nullptr) break;
    const std::string key(reinterpret_cast<const char*>(reader_->Data()),
                          static_cast<const uint8_t*>(zero) - reader_->Data());
    reader_->Skip(static_cast<int64_t>(key.size()) + 1);
    if (value_size > footer - reader_->Position()) break;
    const bool binary = version >= 2000 && (item_flags >> 1 & 3) == kBinaryItem;
    if (binary && strcasecmp(key.c_str(), "Cover Art (Front)") == 0 &&
        value_size <= id3v2::kMaxFrameContent) {
      // The picture's file name, a zero byte, then the picture.
      if (!tag_bytes::ReadPieces(*reader_, value_size, value)) break;
      const size_t name_end = value.find('\0');
      if (name_end != std::string::npos && !ape_picture_.present) {
        ape_picture_ = DescribePicture(3, {}, std::string_view(value).substr(name_end + 1));
      }
      continue;
    }
    if (binary || value_size > id3v2::kMaxFrameContent) {
      ape_skipped_.push_back(
          "APE item \"" + key + "\" of " + std::to_string(value_size) + " bytes: " +
          (binary ? std::string("binary data (such as a cover picture), which is not read")
                  : "larger than the " + std::to_string(id3v2::kMaxFrameContent) +
                        " bytes an item is read up to"));
      reader_->Skip(value_size);
      continue;
    }
    if (!tag_bytes::ReadPieces(*reader_, value_size, value)) break;
    // Several values are separated by zero bytes.
    std::string joined;
    for (size_t from = 0; from <= value.size();) {
      size_t zero_at = value.find('\0', from);
      if (zero_at == std::string::npos) zero_at = value.size();
      if (zero_at > from) {
        if (!joined.empty()) joined += kValueSeparator;
        joined.append(value, from, zero_at - from);
      }
      from = zero_at + 1;
    }
    ape_lines_.push_back(key + "=" + joined);
  }
  found_ |= kFoundApe;
  return tag_start;
}

}  // namespace yumekaze::engine

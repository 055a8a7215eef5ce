// RIFF WAVE: the audio lies in the "data" chunk; a "LIST" chunk of type "INFO" behind it holds
// text sub-chunks ("INAM" title, "IART" artist, ...).
#include "engine/tags/mp3_info.h"
#include "engine/tags/tag_bytes.h"

namespace yumekaze::engine {

namespace {

constexpr int32_t kRiffHeaderSize = 12;  // "RIFF", size, form type
constexpr int32_t kChunkHeaderSize = 8;  // identifier, LE32 size
constexpr int32_t kListHeaderSize = 12;  // chunk header, list type

// Chunk data is padded to an even length.
int64_t Even(int64_t size) { return size + (size & 1); }

}  // namespace

bool TMP3Info::ScanRiffWave() {
  if (!reader_->Request(kRiffHeaderSize) || !tag_bytes::HasBytes(reader_->Data(), "RIFF")) {
    return false;
  }
  reader_->Skip(kRiffHeaderSize);
  if (!FindRiffChunk("data", {})) return false;
  if (!reader_->Request(kChunkHeaderSize)) return false;
  const int32_t size = tag_bytes::ReadLE32(reader_->Data() + 4);
  if (size <= 0 || !tag_bytes::HasBytes(reader_->Data(), "data")) return false;
  riff_data_length_ = size;
  reader_->Skip(kChunkHeaderSize);
  riff_data_start_ = reader_->Position();
  audio_start_ = riff_data_start_;
  audio_length_ = size;
  found_ |= kFoundRiffWave;
  return true;
}

// Walks the chunks from the reader's position to the chunk called name (and, when list_type is
// given, of that list type), leaving the reader at its header. Every step moves on by at least 10
// bytes, so the walk ends at the end of the stream at the latest.
bool TMP3Info::FindRiffChunk(std::string_view name, std::string_view list_type) {
  for (;;) {
    if (!reader_->Request(kChunkHeaderSize)) return false;
    const int32_t size = tag_bytes::ReadLE32(reader_->Data() + 4);
    if (size <= 0) return false;
    if (tag_bytes::HasBytes(reader_->Data(), name)) {
      if (list_type.empty()) return true;
      if (!reader_->Request(kListHeaderSize)) return false;
      if (tag_bytes::HasBytes(reader_->Data() + 8, list_type)) return true;
    }
    if (!reader_->Skip(kChunkHeaderSize + Even(size))) return false;
  }
}

void TMP3Info::ReadRiffInfo() {
  reader_->Seek(riff_data_start_ + Even(riff_data_length_), SeekOrigin::Beginning);
  if (!FindRiffChunk("LIST", "INFO")) return;
  if (!reader_->Request(kListHeaderSize)) return;
  const int32_t list_size = tag_bytes::ReadLE32(reader_->Data() + 4);
  if (list_size < 0 || !tag_bytes::HasBytes(reader_->Data(), "LIST") ||
      !tag_bytes::HasBytes(reader_->Data() + 8, "INFO")) {
    return;
  }
  const int64_t list_end = reader_->Position() + kChunkHeaderSize + list_size;
  reader_->Skip(kListHeaderSize);
  while (reader_->Position() < list_end) {
    if (!reader_->Request(kChunkHeaderSize)) return;
    const std::string id = tag_bytes::CleanField(reader_->Data(), 4);
    const int32_t size = tag_bytes::ReadLE32(reader_->Data() + 4);
    reader_->Skip(kChunkHeaderSize);
    if (size < 0 || id == "IID3") return;
    // A value larger than the ring cannot be looked at in one piece; the list ends here.
    if (size > reader_->Capacity() || !reader_->Request(size)) return;
    const std::string value = tag_bytes::CleanField(reader_->Data(), static_cast<size_t>(size));
    if (!id.empty() && !value.empty()) info_lines_.push_back(id + "=" + value);
    if (!reader_->Skip(Even(size))) return;
  }
}

}  // namespace yumekaze::engine

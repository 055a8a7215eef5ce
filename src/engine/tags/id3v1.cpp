// ID3v1 and ID3v1.1: the last 128 bytes of the file (of the MacBinary data fork when there is one).
#include <string>

#include "engine/tags/genre_table.h"
#include "engine/tags/mp3_info.h"
#include "engine/tags/tag_bytes.h"

namespace yumekaze::engine {

namespace {
constexpr int32_t kTagSize = 128;
}

void TMP3Info::ScanId3v1() {
  const int64_t position = TrailingEnd() - kTagSize;
  if (position < 0 || position > reader_->Size()) return;
  reader_->Seek(position, SeekOrigin::Beginning);
  if (!reader_->Request(kTagSize)) return;
  const uint8_t* tag = reader_->Data();
  if (!tag_bytes::HasBytes(tag, "TAG")) return;
  const auto field = [tag](size_t offset, size_t size) {
    return tag_bytes::CleanField(tag + offset, size);
  };
  id3v1_lines_.push_back("TITLE=" + field(3, 30));
  id3v1_lines_.push_back("ARTIST=" + field(33, 30));
  id3v1_lines_.push_back("ALBUM=" + field(63, 30));
  id3v1_lines_.push_back("YEAR=" + field(93, 4));
  id3v1_lines_.push_back("COMMENT=" + field(97, 30));
  id3v1_lines_.push_back("GENRE=" + std::string(GenreName(tag[127])));
  // ID3v1.1: a zero in front of the comment's last byte makes that byte the track number.
  if (tag[125] == 0) id3v1_lines_.push_back("TRACK=" + std::to_string(tag[126]));
  id3v1_position_ = position;
  id3v1_genre_ = tag[127];
  if (reader_->Skip(kTagSize)) found_ |= kFoundId3v1;
}

}  // namespace yumekaze::engine

// MacBinary: a 128-byte header in front of the file's data fork, which holds the audio file.
#include "engine/tags/mp3_info.h"
#include "engine/tags/tag_bytes.h"

namespace yumekaze::engine {

namespace {
constexpr int32_t kHeaderSize = 128;
}

bool TMP3Info::ScanMacBinary() {
  if (!reader_->Request(kHeaderSize)) return false;
  const uint8_t* header = reader_->Data();
  const uint8_t name_length = header[1];
  if (header[0] != 0 || name_length < 1 || name_length > 31 || header[74] != 0 || header[82] != 0) {
    return false;
  }
  const int32_t data_length = tag_bytes::ReadBE32(header + 83);
  const int32_t resource_length = tag_bytes::ReadBE32(header + 87);
  if (data_length < 0 || resource_length < 0) return false;
  if (!reader_->Skip(kHeaderSize)) return false;
  macbinary_data_start_ = reader_->Position();
  macbinary_data_length_ = data_length;
  macbinary_data_end_ = macbinary_data_start_ + data_length;
  audio_start_ = macbinary_data_start_;
  audio_length_ = data_length;
  found_ |= kFoundMacBinary;
  return true;
}

}  // namespace yumekaze::engine

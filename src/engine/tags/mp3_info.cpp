// TMP3Info: life cycle, the two scans, the getters. The formats themselves are read in
// macbinary.cpp, riff.cpp, id3v2.cpp, id3v1.cpp and lyrics3.cpp.
#include "engine/tags/mp3_info.h"

#include <strings.h>

#include <algorithm>

#include "engine/stream/mp_assert.h"

namespace yumekaze::engine {

void TMP3Info::Clear() {
  reader_ = nullptr;
  found_ = 0;
  audio_start_ = 0;
  audio_length_ = kUnknownLength;
  macbinary_data_start_ = 0;
  macbinary_data_length_ = 0;
  macbinary_data_end_ = 0;
  riff_data_start_ = 0;
  riff_data_length_ = kUnknownLength;
  id3v1_position_ = 0;
  info_lines_.clear();
  id3v1_lines_.clear();
  id3v2_lines_.clear();
  lyrics3_lines_.clear();
}

void TMP3Info::Attach(TMPStreamReader* reader) {
  if (reader != nullptr) Clear();
  reader_ = reader;
}

// The scans look at up to 128 bytes (MacBinary header, ID3v1 tag) in one piece.
void TMP3Info::RequireReader() const { MPAssert(reader_ != nullptr && reader_->Capacity() >= 128); }

bool TMP3Info::ScanLeading() {
  RequireReader();
  ScanMacBinary();
  ScanRiffWave();
  ScanId3v2();
  return reader_->Request(1);
}

bool TMP3Info::ScanTrailing() {
  RequireReader();
  if (!reader_->Seekable()) return false;
  // Trailing tags stay inside the audio length; the decode loop passes over them.
  const int64_t stream_rest = std::max<int64_t>(0, reader_->Size() - audio_start_);
  if (audio_length_ == kUnknownLength) audio_length_ = stream_rest;
  // A MacBinary or RIFF length larger than the file would send the player past its end.
  audio_length_ = std::clamp<int64_t>(audio_length_, 0, stream_rest);

  if (found_ & kFoundRiffWave) {
    // Damaged INFO lists only cost their remaining lines.
    try {
      ReadRiffInfo();
    } catch (const std::exception&) {
    }
  }
  ScanId3v1();
  ScanLyrics3();
  return true;
}

int64_t TMP3Info::TrailingEnd() const {
  const int64_t size = reader_->Size();
  if (found_ & kFoundMacBinary) return std::min(macbinary_data_end_, size);
  return size;
}

bool TMP3Info::ReadBytes(int64_t count, std::string& out) {
  out.clear();
  while (count > 0) {
    const int32_t piece = static_cast<int32_t>(std::min<int64_t>(count, reader_->Capacity()));
    if (!reader_->Request(piece)) return false;
    out.append(reinterpret_cast<const char*>(reader_->Data()), static_cast<size_t>(piece));
    reader_->Skip(piece);
    count -= piece;
  }
  return true;
}

std::string TMP3Info::LookupValue(const TagLines& lines, std::string_view key) {
  for (const std::string& line : lines) {
    const size_t equals = line.find('=');
    if (equals == std::string::npos || equals != key.size()) continue;
    if (strncasecmp(line.data(), key.data(), key.size()) == 0) return line.substr(equals + 1);
  }
  return {};
}

namespace {

// The first candidate wins unless a later one is strictly longer.
std::string Longest(std::initializer_list<std::string> candidates) {
  std::string result;
  for (const std::string& candidate : candidates) {
    if (candidate.size() > result.size()) result = candidate;
  }
  return result;
}

}  // namespace

std::string TMP3Info::GetArtist() const {
  return Longest({LookupValue(id3v1_lines_, "ARTIST"), LookupValue(id3v2_lines_, "TPE1"),
                  LookupValue(info_lines_, "IART")});
}

std::string TMP3Info::GetTitle() const {
  return Longest({LookupValue(id3v1_lines_, "TITLE"), LookupValue(id3v2_lines_, "TIT2"),
                  LookupValue(info_lines_, "INAM")});
}

}  // namespace yumekaze::engine

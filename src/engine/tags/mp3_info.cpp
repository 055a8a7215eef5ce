// TMP3Info: life cycle, the two scans, the getters. The formats themselves are read in
// macbinary.cpp, riff.cpp, id3v2*.cpp, ape_tag.cpp, id3v1.cpp and lyrics3.cpp; the merged
// fields in tag_merge.cpp.
#include "engine/tags/mp3_info.h"

#include <strings.h>

#include <algorithm>

#include "engine/stream/mp_assert.h"
#include "engine/tags/tag_bytes.h"

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
  id3v1_genre_ = -1;
  info_lines_.clear();
  id3v1_lines_.clear();
  id3v2_ = {};
  lyrics3_lines_.clear();
  lyrics3_start_ = 0;
  ape_lines_.clear();
  ape_skipped_.clear();
  ape_picture_ = {};
  trailing_tags_start_.reset();
  id3v2_version_ = 0;
}

std::vector<std::string> TMP3Info::Skipped() const {
  std::vector<std::string> skipped = id3v2_.skipped;
  skipped.insert(skipped.end(), ape_skipped_.begin(), ape_skipped_.end());
  return skipped;
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
  int64_t tags_start = (found_ & kFoundLyrics3) ? lyrics3_start_
                       : (found_ & kFoundId3v1) ? id3v1_position_
                                                : TrailingEnd();
  tags_start = ScanAppendedId3v2(ScanApe(tags_start));
  trailing_tags_start_ = tags_start;
  // APE and appended ID3v2 bytes are no audio; the decode loop would take them for damaged frames.
  if (found_ & (kFoundApe | kFoundId3v2Appended)) {
    audio_length_ = std::clamp<int64_t>(tags_start - audio_start_, 0, audio_length_);
  }
  return true;
}

int64_t TMP3Info::TrailingEnd() const {
  const int64_t size = reader_->Size();
  if (found_ & kFoundMacBinary) return std::min(macbinary_data_end_, size);
  return size;
}

bool TMP3Info::ReadBytes(int64_t count, std::string& out) {
  return tag_bytes::ReadPieces(*reader_, count, out);
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
  return Longest({LookupValue(id3v1_lines_, "ARTIST"), LookupValue(id3v2_.lines, "TPE1"),
                  LookupValue(info_lines_, "IART")});
}

std::string TMP3Info::GetTitle() const {
  return Longest({LookupValue(id3v1_lines_, "TITLE"), LookupValue(id3v2_.lines, "TIT2"),
                  LookupValue(info_lines_, "INAM")});
}

}  // namespace yumekaze::engine

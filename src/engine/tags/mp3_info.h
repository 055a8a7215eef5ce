// TMP3Info: finds where the MPEG audio data lies in a file between its tags (MacBinary header,
// RIFF WAVE "data" chunk, ID3v2 in front; RIFF LIST/INFO, appended ID3v2, APE, Lyrics3, ID3v1
// behind) and keeps every tag field as one "KEY=value" line, one list per tag kind, and the
// fields merged over all tags.
//
// Tag bytes stay as they are in the file (decode them for display at the edge), except ID3v2
// text in UTF-16 (encodings 1 and 2), which is converted to UTF-8.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/stream/stream_reader.h"
#include "engine/tags/id3v2_frames.h"
#include "engine/tags/tag_fields.h"

namespace yumekaze::engine {

class TMP3Info {
 public:
  // Bits of Found().
  static constexpr uint8_t kFoundId3v1 = 0x01;
  static constexpr uint8_t kFoundId3v2 = 0x02;     // walked to its end
  static constexpr uint8_t kFoundRiffWave = 0x04;  // with a "data" chunk
  static constexpr uint8_t kFoundMacBinary = 0x08;
  static constexpr uint8_t kFoundLyrics3 = 0x10;
  static constexpr uint8_t kFoundApe = 0x20;
  static constexpr uint8_t kFoundId3v2Appended = 0x40;  // behind the audio, "3DI" footer

  // AudioLength() while the length is not known.
  static constexpr int64_t kUnknownLength = 2147483647;

  using TagLines = std::vector<std::string>;

  TMP3Info() = default;
  TMP3Info(const TMP3Info&) = delete;
  TMP3Info& operator=(const TMP3Info&) = delete;

  // Detaches the reader and forgets every result.
  void Clear();
  // With a reader: Clear, then scan through it. With nullptr: only forget the reader.
  void Attach(TMPStreamReader* reader);

  // From the reader's position (the file's start): MacBinary, RIFF WAVE, ID3v2. Returns whether
  // at least one byte can be requested at the position reached.
  bool ScanLeading();
  // Seekable readers only (false at once otherwise): fixes the audio length, then reads RIFF
  // LIST/INFO, ID3v1, Lyrics3, APE and an appended ID3v2 tag. The audio ends in front of APE and
  // appended ID3v2 tags. Leaves the reader anywhere; seek to AudioStart() afterwards.
  bool ScanTrailing();

  int64_t AudioStart() const { return audio_start_; }
  // Bytes of audio from AudioStart(); kUnknownLength until known.
  int64_t AudioLength() const { return audio_length_; }
  // Where the trailing tags begin (ID3v1 and Lyrics3 included, which AudioLength() keeps for the
  // decode loop to pass over); the stream's end without them. Known after ScanTrailing only.
  std::optional<int64_t> TrailingTagsStart() const { return trailing_tags_start_; }
  // The major version of the first ID3v2 tag read (2, 3 or 4); 0 without one.
  int Id3v2Version() const { return id3v2_version_; }
  // What the scans passed over unread because of a limit, each with what it was and why.
  std::vector<std::string> Skipped() const;

  // Longest of ID3v1 "ARTIST", ID3v2 "TPE1" and INFO "IART" (the earlier at equal length).
  std::string GetArtist() const;
  // Longest of ID3v1 "TITLE", ID3v2 "TIT2" and INFO "INAM" (the earlier at equal length).
  std::string GetTitle() const;

  // ID3v2 before APE before RIFF INFO before ID3v1, field by field. Genre numbers are named by
  // the list other tag libraries share (CommonGenreName); in the merged fields an ID3v1 genre
  // byte without a name there (255 included) and a track of 0 mean none.
  TTagFields Merged() const;

  uint8_t Found() const { return found_; }
  TMPStreamReader* Reader() const { return reader_; }

  const TagLines& InfoLines() const { return info_lines_; }
  const TagLines& Id3v1Lines() const { return id3v1_lines_; }
  // Every ID3v2 tag's lines, the leading tags' first.
  const TagLines& Id3v2Lines() const { return id3v2_.lines; }
  const TagLines& Lyrics3Lines() const { return lyrics3_lines_; }
  const TagLines& ApeLines() const { return ape_lines_; }

  int64_t MacBinaryDataStart() const { return macbinary_data_start_; }
  int64_t MacBinaryDataLength() const { return macbinary_data_length_; }
  int64_t MacBinaryDataEnd() const { return macbinary_data_end_; }
  int64_t RiffDataStart() const { return riff_data_start_; }
  int64_t RiffDataLength() const { return riff_data_length_; }
  int64_t Id3v1Position() const { return id3v1_position_; }

  // The value of the first line whose key equals key without regard to case; empty when none.
  static std::string LookupValue(const TagLines& lines, std::string_view key);

 private:
  void RequireReader() const;

  bool ScanMacBinary();
  bool ScanRiffWave();
  bool ScanId3v2();
  bool ReadLeadingId3v2();
  // The trailing scans below look for their tag ending at end and return where it starts (end
  // when there is none).
  int64_t ScanAppendedId3v2(int64_t end);
  int64_t ScanApe(int64_t end);
  bool FindRiffChunk(std::string_view name, std::string_view list_type);
  void ReadRiffInfo();
  void ScanId3v1();
  void ScanLyrics3();
  bool ReadLyrics3v2(int64_t marker);
  // Reads count bytes from the reader's position in pieces no larger than its capacity; false
  // when the stream ends first.
  bool ReadBytes(int64_t count, std::string& out);
  // Where the trailing tags end: the MacBinary data fork's end, else the stream's end.
  int64_t TrailingEnd() const;

  TMPStreamReader* reader_ = nullptr;
  uint8_t found_ = 0;
  int64_t audio_start_ = 0;
  int64_t audio_length_ = kUnknownLength;
  int64_t macbinary_data_start_ = 0;
  int64_t macbinary_data_length_ = 0;
  int64_t macbinary_data_end_ = 0;
  int64_t riff_data_start_ = 0;
  int64_t riff_data_length_ = kUnknownLength;
  TagLines info_lines_;
  TagLines id3v1_lines_;
  int64_t id3v1_position_ = 0;
  int id3v1_genre_ = -1;
  id3v2::TFrameResults id3v2_;
  TagLines lyrics3_lines_;
  int64_t lyrics3_start_ = 0;
  TagLines ape_lines_;
  std::vector<std::string> ape_skipped_;
  TPictureInfo ape_picture_;  // "Cover Art (Front)"
  std::optional<int64_t> trailing_tags_start_;
  int id3v2_version_ = 0;
};

}  // namespace yumekaze::engine

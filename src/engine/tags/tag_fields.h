// What the tags of a file say, one value per field, merged over the tags found (ID3v2 before
// APEv2 before RIFF INFO before ID3v1). Text stays in the bytes of its tag: decode for display.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "decoder/lame_tag.h"

namespace yumekaze::engine {

// Gains in dB, peaks as a fraction of full scale.
struct TReplayGain {
  std::optional<double> track_gain;
  std::optional<double> track_peak;
  std::optional<double> album_gain;
  std::optional<double> album_peak;

  bool Empty() const { return !track_gain && !track_peak && !album_gain && !album_peak; }
};

// The front cover attached to a file (ID3v2 type 3, else the first picture; else APEv2's
// "Cover Art (Front)"): its description and bytes.
struct TPictureInfo {
  bool present = false;
  int type = 0;  // ID3v2 picture type: 3 front cover, 4 back cover, ...
  std::string mime;
  int64_t size = 0;  // bytes of picture data
  int width = 0;     // pixels, from the picture's header; 0 when not known
  int height = 0;
  // Shared between copies of the fields, which are copied often.
  std::shared_ptr<const std::string> data;
};

// Between the values of a field that holds several (ID3v2.4's zero-separated strings, APEv2's
// zero-separated values, several genre references): the unit separator, which no text carries, so
// a value with " / " in it stays one value. Display joins the values with kShownValueSeparator.
inline constexpr std::string_view kValueSeparator = "\x1F";
inline constexpr std::string_view kShownValueSeparator = " / ";

struct TTagFields {
  std::string title;
  std::string artist;
  std::string album;
  std::string album_artist;
  std::string track;  // as written: "3" or "3/12"
  std::string disc;
  std::string year;  // a year or a date ("2024-05-01")
  std::string genre;
  std::string comment;
  TReplayGain replay_gain;
  TPictureInfo picture;
};

// Fills the gains and the track peak that gain lacks from the LAME tag of the stream's header
// frame: the tags' values win, as other players have it.
void AddLameReplayGain(TReplayGain& gain, const decoder::LameTag& lame);

// "front cover", "artist", ... for an ID3v2 picture type; "other" when unknown.
const char* PictureTypeName(int type);

}  // namespace yumekaze::engine

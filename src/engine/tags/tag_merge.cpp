// The merged fields: each field from the first tag that has it, in the order ID3v2, APE, RIFF
// INFO, ID3v1 (what other players do); genre references resolved, ReplayGain values parsed.
#include <strings.h>

#include <algorithm>
#include <charconv>
#include <cmath>

#include "engine/tags/genre_table.h"
#include "engine/tags/mp3_info.h"

namespace yumekaze::engine {

namespace {

std::string First(std::initializer_list<std::string> candidates) {
  for (const std::string& candidate : candidates) {
    if (!candidate.empty()) return candidate;
  }
  return {};
}

bool AllDigits(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// An ID3v1 genre number's name; the text itself when it is not a known number.
std::string GenreByNumber(std::string_view text) {
  if (text.size() > 3 || !AllDigits(text)) return std::string(text);
  const int number = std::stoi(std::string(text));
  if (number > 255 || CommonGenreName(static_cast<uint8_t>(number)).empty()) {
    return std::string(text);
  }
  return std::string(CommonGenreName(static_cast<uint8_t>(number)));
}

// One genre value: "Rock", "17", "(17)", "(17)Rock" (a reference refined by text), "(RX)",
// "(CR)", "((text" (a text that starts with a parenthesis).
std::string ResolveGenre(std::string_view value) {
  std::string referenced;
  while (value.size() > 1 && value[0] == '(' && value[1] != '(') {
    const size_t close = value.find(')');
    if (close == std::string_view::npos) break;
    const std::string_view reference = value.substr(1, close - 1);
    std::string name = reference == "RX"   ? "Remix"
                       : reference == "CR" ? "Cover"
                                           : GenreByNumber(reference);
    if (!referenced.empty()) referenced += kValueSeparator;
    referenced += name;
    value.remove_prefix(close + 1);
  }
  if (value.starts_with("((")) value.remove_prefix(1);
  if (!value.empty()) return GenreByNumber(value);
  return referenced;
}

// Every value resolved.
std::string ResolveGenres(std::string_view text) {
  std::string out;
  for (size_t from = 0; from <= text.size();) {
    size_t separator = text.find(kValueSeparator, from);
    if (separator == std::string_view::npos) separator = text.size();
    const std::string genre = ResolveGenre(text.substr(from, separator - from));
    if (!genre.empty()) {
      if (!out.empty()) out += kValueSeparator;
      out += genre;
    }
    from = separator + kValueSeparator.size();
  }
  return out;
}

// "-6.48 dB", "+1.2", "0.988": the number in front of an optional unit.
std::optional<double> ParseGain(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end == text.data() || !std::isfinite(value)) return std::nullopt;
  std::string_view rest(end, static_cast<size_t>(text.data() + text.size() - end));
  while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
  while (!rest.empty() && rest.back() == ' ') rest.remove_suffix(1);
  if (!rest.empty() && strncasecmp(rest.data(), "dB", rest.size()) != 0) return std::nullopt;
  return value;
}

// The widest gain a LAME tag can store; a stored gain beyond it, or a value that is not a finite
// number, is damage ("nan dB", "inf", "1e308 dB"), not a gain to play.
constexpr double kWidestGainDb = 51.1;

void DropDamagedGains(TReplayGain& gain) {
  for (std::optional<double>* db : {&gain.track_gain, &gain.album_gain}) {
    if (*db && !(std::isfinite(**db) && std::fabs(**db) <= kWidestGainDb)) db->reset();
  }
  for (std::optional<double>* peak : {&gain.track_peak, &gain.album_peak}) {
    if (*peak && !(std::isfinite(**peak) && **peak > 0)) peak->reset();
  }
}

// The date of a 2.3 tag as 2.4's TDRC gives it: year (TYER), "DDMM" (TDAT) and "HHMM" (TIME)
// joined into "YYYY-MM-DDTHH:MM", as far as the parts are there and well-formed.
std::string Id3v23Date(const std::string& year, const std::string& day_month,
                       const std::string& time) {
  const auto four_digits = [](std::string_view text) {
    return text.size() == 4 && AllDigits(text);
  };
  if (!four_digits(year) || !four_digits(day_month)) return year;
  std::string date = year + "-" + day_month.substr(2, 2) + "-" + day_month.substr(0, 2);
  if (four_digits(time)) date += "T" + time.substr(0, 2) + ":" + time.substr(2, 2);
  return date;
}

// A comment frame with a description and no text: some writers put the comment there.
std::string DescriptionOnlyComment(const TMP3Info::TagLines& lines) {
  for (const std::string& line : lines) {
    for (const std::string_view kind : {"COMM:", "COM:"}) {
      if (line.starts_with(kind) && line.back() == '=' && line.find('=') == line.size() - 1) {
        return line.substr(kind.size(), line.size() - kind.size() - 1);
      }
    }
  }
  return {};
}

std::optional<double> FirstGain(std::initializer_list<std::string> texts,
                                std::optional<double> fallback) {
  for (const std::string& text : texts) {
    if (const auto gain = ParseGain(text)) return gain;
  }
  return fallback;
}

}  // namespace

TTagFields TMP3Info::Merged() const {
  const TagLines& v2 = id3v2_.lines;
  const auto id3 = [&](std::string_view key) { return LookupValue(v2, key); };
  const auto ape = [&](std::string_view key) { return LookupValue(ape_lines_, key); };
  const auto info = [&](std::string_view key) { return LookupValue(info_lines_, key); };
  const auto v1 = [&](std::string_view key) { return LookupValue(id3v1_lines_, key); };

  TTagFields fields;
  fields.title = First({id3("TIT2"), id3("TT2"), ape("Title"), info("INAM"), v1("TITLE")});
  fields.artist = First({id3("TPE1"), id3("TP1"), ape("Artist"), info("IART"), v1("ARTIST")});
  fields.album = First({id3("TALB"), id3("TAL"), ape("Album"), info("IPRD"), v1("ALBUM")});
  fields.album_artist = First({id3("TPE2"), id3("TP2"), ape("Album Artist"), ape("AlbumArtist")});
  const std::string v1_track = v1("TRACK");
  fields.track = First({id3("TRCK"), id3("TRK"), ape("Track"), info("ITRK"),
                        v1_track == "0" ? std::string() : v1_track});
  fields.disc = First({id3("TPOS"), id3("TPA"), ape("Disc")});
  fields.year = First({id3("TDRC"), Id3v23Date(id3("TYER"), id3("TDAT"), id3("TIME")),
                       Id3v23Date(id3("TYE"), id3("TDA"), id3("TIM")), ape("Year"), info("ICRD"),
                       v1("YEAR")});
  fields.genre = First(
      {ResolveGenres(First({id3("TCON"), id3("TCO")})), ResolveGenres(ape("Genre")), info("IGNR"),
       id3v1_genre_ < 0 ? std::string()
                        : std::string(CommonGenreName(static_cast<uint8_t>(id3v1_genre_)))});
  fields.comment = First({id3("COMM"), id3("COM"), DescriptionOnlyComment(v2), ape("Comment"),
                          info("ICMT"), v1("COMMENT")});

  TReplayGain& gain = fields.replay_gain;
  const TReplayGain& rva2 = id3v2_.rva2;
  gain.track_gain = FirstGain({id3("TXXX:REPLAYGAIN_TRACK_GAIN"), id3("TXX:REPLAYGAIN_TRACK_GAIN")},
                              rva2.track_gain);
  gain.track_peak = FirstGain({id3("TXXX:REPLAYGAIN_TRACK_PEAK"), id3("TXX:REPLAYGAIN_TRACK_PEAK")},
                              rva2.track_peak);
  gain.album_gain = FirstGain({id3("TXXX:REPLAYGAIN_ALBUM_GAIN"), id3("TXX:REPLAYGAIN_ALBUM_GAIN")},
                              rva2.album_gain);
  gain.album_peak = FirstGain({id3("TXXX:REPLAYGAIN_ALBUM_PEAK"), id3("TXX:REPLAYGAIN_ALBUM_PEAK")},
                              rva2.album_peak);
  if (!gain.track_gain) gain.track_gain = ParseGain(ape("REPLAYGAIN_TRACK_GAIN"));
  if (!gain.track_peak) gain.track_peak = ParseGain(ape("REPLAYGAIN_TRACK_PEAK"));
  if (!gain.album_gain) gain.album_gain = ParseGain(ape("REPLAYGAIN_ALBUM_GAIN"));
  if (!gain.album_peak) gain.album_peak = ParseGain(ape("REPLAYGAIN_ALBUM_PEAK"));
  DropDamagedGains(gain);

  fields.picture = id3v2_.picture.present ? id3v2_.picture : ape_picture_;
  return fields;
}

void AddLameReplayGain(TReplayGain& gain, const decoder::LameTag& lame) {
  constexpr uint8_t kRadio = 1;       // the track's gain
  constexpr uint8_t kAudiophile = 2;  // the album's gain
  for (const decoder::LameReplayGain& field : {lame.RadioGain, lame.AudiophileGain}) {
    if (!field.Present) continue;
    if (field.Name == kRadio && !gain.track_gain) gain.track_gain = field.GainDb;
    if (field.Name == kAudiophile && !gain.album_gain) gain.album_gain = field.GainDb;
  }
  if (lame.TrackPeak > 0 && !gain.track_peak) gain.track_peak = lame.TrackPeak;
}

const char* PictureTypeName(int type) {
  static constexpr const char* kNames[] = {"other",
                                           "file icon",
                                           "other file icon",
                                           "front cover",
                                           "back cover",
                                           "leaflet page",
                                           "media",
                                           "lead artist",
                                           "artist",
                                           "conductor",
                                           "band",
                                           "composer",
                                           "lyricist",
                                           "recording location",
                                           "during recording",
                                           "during performance",
                                           "screen capture",
                                           "bright coloured fish",
                                           "illustration",
                                           "band logotype",
                                           "publisher logotype"};
  return type >= 0 && type < static_cast<int>(std::size(kNames)) ? kNames[type] : "other";
}

}  // namespace yumekaze::engine

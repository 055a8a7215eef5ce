// yumekaze-cli info: what the player finds in a file: the stream's format, where its audio lies
// between the tags, the merged tag fields and every tag line; for people or, with --json, for
// scripts.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/command_line.h"
#include "cli/fd_stream.h"
#include "cli/info_fields.h"
#include "cli/info_json.h"
#include "cli/player_commands.h"
#include "cli/shown_text.h"
#include "decoder/frame_scan.h"
#include "engine/lists/play_list_reader.h"
#include "engine/player/track_probe.h"
#include "engine/tags/front_cover.h"
#include "engine/tags/mp3_info.h"
#include "platform/text/legacy_charset.h"
#include "platform/text/tag_text.h"
#include "platform/text/terminal_text.h"

namespace yumekaze::cli {
namespace {

constexpr const char* kUsage =
    "usage: yumekaze-cli info [--json] [--charset NAME] FILE...\n"
    "       yumekaze-cli info --extract-cover PATH FILE\n";

constexpr const char* kHelp =
    "Shows what the player finds in MPEG audio files: the stream's format (MPEG version,\n"
    "layer, sampling rate, channels, bitrate or free format, a Xing/VBRI header), where the\n"
    "audio lies (start offset and length in bytes), the tag fields merged over all tags (ID3v2\n"
    "before APE before RIFF INFO before ID3v1), ReplayGain, an attached picture, and every tag\n"
    "line (ID3v1, ID3v2, APE, RIFF INFO, Lyrics3). FILE may be a pipe, or - for standard\n"
    "input; tags behind the audio are then not read. A play list (.m3u, .m3u8, .pls) is\n"
    "reported as one and not read.\n"
    "\n"
    "  --json          one JSON object per file and line, in UTF-8 (the schema below)\n"
    "  --charset NAME  character set of tag text that is not UTF-8 (any iconv name, such as\n"
    "                  CP932 or CP1252); by default each text is read as Latin-1 or in\n"
    "                  the locale's legacy set (CP932 under Japanese), whichever it reads as\n"
    "  --extract-cover PATH\n"
    "                  writes FILE's front cover to PATH instead: the embedded picture\n"
    "                  (front cover, else the first) or cover, folder, front or album .jpg,\n"
    "                  .jpeg or .png beside FILE, whichever has more pixels\n"
    "  -h, --help      show this help\n"
    "\n"
    "Exit status: 0 success, 1 a file that cannot be read or is not MPEG audio, 2 wrong usage.\n"
    "\n"
    "JSON schema. Every object has these keys, in this order; \"or null\" where the value may\n"
    "be unknown or absent. TEXT is a string for one value, an array of strings for several,\n"
    "or null when no tag has the field.\n"
    "  file                  string: the name, U+FFFD for bytes that are not UTF-8\n"
    "  file_uri              string, only when file has U+FFFD: the exact name as file:// URI\n"
    "  version               string: \"MPEG-1\", \"MPEG-2\" or \"MPEG-2.5\"\n"
    "  layer                 integer 1-3\n"
    "  sample_rate           integer, Hz\n"
    "  channels              integer 1-2\n"
    "  mode                  string: \"stereo\", \"joint stereo\", \"dual channel\",\n"
    "                        \"single channel\"\n"
    "  bitrate_kbps          integer: of the first frame\n"
    "  average_bitrate_kbps  integer or null: over the file, where a header frame counts it\n"
    "  free_format           boolean\n"
    "  vbr_header            string: \"none\", \"Xing\" or \"VBRI\"\n"
    "  vbr_frames            integer 0-4294967295 or null: the header frame's frame count\n"
    "  audio_start           integer: offset of the first frame\n"
    "  audio_length          integer or null: bytes of audio alone (no tag counted)\n"
    "  samples               integer or null: per channel, after the gapless trim\n"
    "  duration_seconds      number or null: three decimals, rounded to the nearest\n"
    "                        millisecond as the text form is\n"
    "  duration_estimated    boolean: true when duration_seconds is not from a count of\n"
    "                        samples (estimated from the bitrate)\n"
    "  length_note           string or null: why the header frame's count was not taken\n"
    "                        (a cut or joined file; samples then come from a scan)\n"
    "  lame                  {encoder: string, delay: integer, padding: integer} or null\n"
    "  id3v2_version         integer 2-4 or null: of the first ID3v2 tag\n"
    "  title, artist, album, album_artist, track, disc, year, genre, comment\n"
    "                        TEXT, merged over the tags (year may be a date such as\n"
    "                        \"2024-05-01\" or \"2024-05-01T12:30\")\n"
    "  replaygain            {track_gain_db, track_peak, album_gain_db, album_peak}: each a\n"
    "                        number or null\n"
    "  picture               {type: integer, type_name: string, mime: string, size: integer,\n"
    "                        width: integer or null, height: integer or null} or null: the\n"
    "                        front cover, else the first picture; pixels from its header\n"
    "  skipped               array of strings: what a limit made the reader pass over, and why\n"
    "  tags                  {id3v1, id3v2, ape, riff_info, lyrics3}: arrays of \"KEY=value\"\n"
    "                        strings\n"
    "A file that cannot be read gives {file, file_uri (as above), error: string}.\n";

constexpr std::string_view kIndent = "                ";

int UsageError(const std::string& message) {
  std::fprintf(stderr, "yumekaze-cli info: %s\n%s", ShownFileName(message).c_str(), kUsage);
  return kExitUsage;
}

std::string FormatLine(const TStreamFacts& facts) {
  char line[256];
  std::snprintf(line, sizeof line, "%s Layer %s, %d Hz, %d channel%s (%s), ", facts.version.c_str(),
                std::string(facts.layer, 'I').c_str(), facts.sample_rate, facts.channels,
                facts.channels == 1 ? "" : "s", facts.mode.c_str());
  std::string text = line;
  if (facts.free_format) {
    std::snprintf(line, sizeof line, "free format (%d kbit/s measured)", facts.first_bitrate_kbps);
  } else if (facts.average_bitrate_kbps) {
    std::snprintf(line, sizeof line, "%d kbit/s average", *facts.average_bitrate_kbps);
  } else {
    std::snprintf(line, sizeof line, "%d kbit/s", facts.first_bitrate_kbps);
  }
  return text + line;
}

void PrintField(const char* label, std::string_view bytes, bool always = false) {
  if (bytes.empty() && !always) return;
  std::printf("  %-13s %s\n", label, SafeText(bytes, ' ', "\n" + std::string(kIndent)).c_str());
}

void PrintReplayGain(const engine::TReplayGain& gain) {
  if (gain.Empty()) return;
  std::string text;
  const auto add = [&](const char* which, const std::optional<double>& db,
                       const std::optional<double>& peak) {
    if (!db && !peak) return;
    char part[96];
    std::snprintf(part, sizeof part, "%s%s", text.empty() ? "" : ", ", which);
    text += part;
    if (db) {
      std::snprintf(part, sizeof part, " %+.2f dB", *db);
      text += part;
    }
    if (peak) {
      std::snprintf(part, sizeof part, " (peak %.6f)", *peak);
      text += part;
    }
  };
  add("track", gain.track_gain, gain.track_peak);
  add("album", gain.album_gain, gain.album_peak);
  std::printf("  %-13s %s\n", "ReplayGain:", text.c_str());
}

// The length, then the header frame and its LAME fields.
void PrintLengthLines(const TStreamFacts& facts, const engine::TMPTrackProbe& probe) {
  const decoder::VbrHeader& vbr = probe.File->Source.HeaderFrame();
  if (facts.duration_ms) {
    const int64_t ms = *facts.duration_ms;
    std::printf("  duration:     %lld:%02lld.%03lld", static_cast<long long>(ms / 60000),
                static_cast<long long>(ms / 1000 % 60), static_cast<long long>(ms % 1000));
    if (facts.samples) {
      std::printf(" (%lld samples)\n", static_cast<long long>(*facts.samples));
    } else {
      std::printf(" (estimated from the bitrate)\n");
    }
  } else {
    std::printf("  duration:     unknown\n");
  }
  if (!facts.length_note.empty()) std::printf("                %s\n", facts.length_note.c_str());
  std::printf("  header frame: %s\n", decoder::VbrHeaderName(vbr.Kind));
  if (vbr.HasLame) {
    std::printf("  encoder:      %s\n", SafeText(vbr.Lame.Encoder, ' ', " ").c_str());
    std::printf("  delay:        %d samples\n", vbr.Lame.EncoderDelay);
    std::printf("  padding:      %d samples\n", vbr.Lame.Padding);
  }
}

void PrintTagLines(const char* kind, const engine::TMP3Info::TagLines& lines) {
  for (const std::string& line : lines) {
    std::printf(
        "  %-7s %s\n", kind,
        platform::WithoutControls(platform::DecodeTagLine(line), ' ', "\n          ").c_str());
  }
}

void PrintInfo(const std::string& path, const engine::TMPTrackProbe& probe) {
  const TStreamFacts facts = StreamFacts(probe);
  std::printf("%s\n", ShownFileName(path).c_str());
  std::printf("  format:       %s\n", FormatLine(facts).c_str());
  if (facts.vbr_header == "none") {
    std::printf("  VBR header:   none\n");
  } else {
    std::printf("  VBR header:   %s, %u frames\n", facts.vbr_header.c_str(), *facts.vbr_frames);
  }
  PrintLengthLines(facts, probe);
  std::printf("  audio start:  %lld bytes\n", static_cast<long long>(facts.audio_start));
  if (facts.audio_length) {
    std::printf("  audio length: %lld bytes\n", static_cast<long long>(*facts.audio_length));
  } else {
    std::printf("  audio length: unknown\n");
  }
  const engine::TTagFields& fields = probe.Fields;
  PrintField("artist:", fields.artist, true);
  PrintField("title:", fields.title, true);
  PrintField("album:", fields.album);
  PrintField("album artist:", fields.album_artist);
  PrintField("track:", fields.track);
  PrintField("disc:", fields.disc);
  PrintField("year:", fields.year);
  PrintField("genre:", fields.genre);
  PrintField("comment:", fields.comment);
  PrintReplayGain(fields.replay_gain);
  if (fields.picture.present) {
    std::printf("  picture:      %s, %s, ", engine::PictureTypeName(fields.picture.type),
                SafeText(fields.picture.mime, '?', "?").c_str());
    if (fields.picture.width > 0) {
      std::printf("%d x %d pixels, ", fields.picture.width, fields.picture.height);
    }
    std::printf("%lld bytes\n", static_cast<long long>(fields.picture.size));
  }
  const engine::TMP3Info& info = probe.File->Info;
  for (const std::string& skipped : info.Skipped()) {
    std::printf("  %-13s %s\n", "skipped:", SafeText(skipped, ' ', " ").c_str());
  }
  if (info.Id3v2Version() > 0) std::printf("  ID3v2 tag:    version 2.%d\n", info.Id3v2Version());
  PrintTagLines("ID3v1", info.Id3v1Lines());
  PrintTagLines("ID3v2", info.Id3v2Lines());
  PrintTagLines("APE", info.ApeLines());
  PrintTagLines("INFO", info.InfoLines());
  PrintTagLines("Lyrics3", info.Lyrics3Lines());
}

// Probes path through a descriptor, so that pipes and standard input work, and reports it.
// Returns why it cannot be read, empty when it was reported.
std::string ReportFile(const std::string& path, bool json) {
  if (engine::IsPlayList(path)) return "a play list, not MPEG audio (play plays its entries)";
  FdStream stream;
  if (!stream.Open(path)) {
    return "Cannot open file \"" + path + "\". " + std::strerror(stream.LastError());
  }
  const engine::TMPProbeOutcome probe = engine::ProbeStream(stream, stream.Seekable(), path);
  if (!probe.Track) return probe.Error;
  if (json) {
    std::printf("%s\n", InfoJson(path, *probe.Track).c_str());
  } else {
    PrintInfo(path, *probe.Track);
  }
  return {};
}

// Writes the front cover of path to out; why it could not, empty when it did.
std::string ExtractCover(const std::string& path, const std::string& out) {
  FdStream stream;
  if (!stream.Open(path)) {
    return "Cannot open file \"" + path + "\". " + std::strerror(stream.LastError());
  }
  const engine::TMPProbeOutcome probe = engine::ProbeStream(stream, stream.Seekable(), path);
  if (!probe.Track) return probe.Error;
  const std::optional<engine::TFrontCover> cover =
      engine::FindFrontCover(path, probe.Track->Fields.picture);
  if (!cover) return "no cover picture in the file or beside it";
  const std::string& bytes = *cover->picture.data;
  std::ofstream file(out, std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  file.close();
  if (!file) return "cannot write \"" + out + "\"";
  return {};
}

}  // namespace

int RunInfoCommand(std::span<char* const> args) {
  bool json = false;
  std::optional<std::string> cover_out;
  std::vector<std::string> files;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string_view text = args[i];
    if (text == "-h" || text == "--help") {
      std::printf("%s\n%s", kUsage, kHelp);
      return kExitSuccess;
    }
    if (text == "--json") {
      json = true;
    } else if (text == "--charset") {
      if (i + 1 == args.size() || !platform::IsKnownCharset(args[i + 1])) {
        return UsageError("--charset needs the name of a character set iconv knows");
      }
      platform::SetLegacyCharset(args[++i]);
    } else if (text == "--extract-cover") {
      if (i + 1 == args.size()) return UsageError("--extract-cover needs the path to write to");
      cover_out = args[++i];
    } else if (text.size() > 1 && text[0] == '-') {
      return UsageError("unknown option '" + std::string(text) + "'");
    } else {
      files.emplace_back(text);
    }
  }
  if (files.empty()) return UsageError("no file given");
  if (cover_out) {
    if (files.size() > 1 || json) return UsageError("--extract-cover takes one FILE alone");
    const std::string error = ExtractCover(files.front(), *cover_out);
    if (error.empty()) return kExitSuccess;
    std::fprintf(stderr, "yumekaze-cli info: %s: %s\n", ShownFileName(files.front()).c_str(),
                 ShownFileName(error).c_str());
    return kExitFailure;
  }

  int status = kExitSuccess;
  bool first = true;
  for (const std::string& path : files) {
    if (!first && !json) std::printf("\n");
    first = false;
    const std::string error = ReportFile(path, json);
    if (error.empty()) continue;
    std::fflush(stdout);
    if (json) {
      std::printf("%s\n", ErrorJson(path, error).c_str());
    } else {
      std::fprintf(stderr, "yumekaze-cli info: %s: %s\n", ShownFileName(path).c_str(),
                   ShownFileName(error).c_str());
    }
    status = kExitFailure;
  }
  return status;
}

}  // namespace yumekaze::cli

#include "cli/info_json.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cli/info_fields.h"
#include "engine/tags/mp3_info.h"
#include "platform/text/file_name_text.h"
#include "platform/text/tag_text.h"
#include "platform/text/terminal_text.h"

namespace yumekaze::cli {

namespace {

// Builds one object; text goes in as tag bytes and comes out as escaped UTF-8.
class JsonObject {
 public:
  JsonObject& Text(std::string_view key, std::string_view bytes) {
    Key(key);
    AppendString(platform::DecodeTagText(bytes));
    return *this;
  }
  // A file's name: as UTF-8 with U+FFFD for bytes that are not, and then, only for such a name,
  // its exact bytes as a file:// URI.
  JsonObject& FileName(std::string_view path) {
    Key("file");
    AppendString(platform::WithReplacementCharacters(path));
    if (!platform::IsUtf8(path)) {
      Key("file_uri");
      AppendString(platform::FileUri(path));
    }
    return *this;
  }
  // Text of this program's own (a message that may quote a file name): U+FFFD for bytes that
  // are not UTF-8.
  JsonObject& Message(std::string_view key, std::string_view text) {
    Key(key);
    AppendString(platform::WithReplacementCharacters(text));
    return *this;
  }
  // Tag text: null when empty, a string for one value, an array for several.
  JsonObject& Values(std::string_view key, std::string_view bytes) {
    Key(key);
    const std::vector<std::string> values = platform::DecodeTagValues(bytes);
    if (values.empty()) {
      out_ += "null";
    } else if (values.size() == 1) {
      AppendString(values.front());
    } else {
      out_ += '[';
      for (size_t i = 0; i < values.size(); ++i) {
        if (i > 0) out_ += ',';
        AppendString(values[i]);
      }
      out_ += ']';
    }
    return *this;
  }
  JsonObject& OptionalText(std::string_view key, std::string_view bytes) {
    if (bytes.empty()) return Raw(key, "null");
    return Text(key, bytes);
  }
  JsonObject& Number(std::string_view key, std::optional<double> value, const char* format) {
    Key(key);
    if (!value) {
      out_ += "null";
    } else {
      char number[32];
      std::snprintf(number, sizeof number, format, *value);
      out_ += number;
    }
    return *this;
  }
  JsonObject& Integer(std::string_view key, std::optional<int64_t> value) {
    Key(key);
    out_ += value ? std::to_string(*value) : "null";
    return *this;
  }
  JsonObject& Bool(std::string_view key, bool value) {
    Key(key);
    out_ += value ? "true" : "false";
    return *this;
  }
  JsonObject& Raw(std::string_view key, std::string_view json) {
    Key(key);
    out_ += json;
    return *this;
  }
  JsonObject& Lines(std::string_view key, const std::vector<std::string>& lines) {
    Key(key);
    out_ += '[';
    for (size_t i = 0; i < lines.size(); ++i) {
      if (i > 0) out_ += ',';
      AppendString(platform::DecodeTagLine(lines[i]));
    }
    out_ += ']';
    return *this;
  }
  std::string Close() { return out_ + "}"; }

 private:
  void Key(std::string_view key) {
    out_ += out_.size() > 1 ? ",\"" : "\"";
    out_ += key;
    out_ += "\":";
  }
  // Control characters, C1 and bidirectional ones included, are escaped so that the text is safe
  // on a terminal.
  void AppendString(std::string_view text) {
    out_ += '"';
    for (size_t i = 0; i < text.size(); ++i) {
      const auto c = static_cast<unsigned char>(text[i]);
      char escaped[8];
      if (c == '"' || c == '\\') {
        out_ += '\\';
        out_ += text[i];
      } else if (c < 0x20 || c == 0x7F) {
        std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
        out_ += escaped;
      } else if (c == 0xC2 && i + 1 < text.size() &&
                 static_cast<unsigned char>(text[i + 1]) < 0xA0) {
        std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(text[++i]));
        out_ += escaped;
      } else if (platform::BidiControlLength(text, i) > 0) {
        const unsigned code = (static_cast<unsigned char>(text[i + 1]) & 0x3F) << 6 |
                              (static_cast<unsigned char>(text[i + 2]) & 0x3F);
        std::snprintf(escaped, sizeof escaped, "\\u%04x", 0x2000 | code);
        out_ += escaped;
        i += 2;
      } else {
        out_ += text[i];
      }
    }
    out_ += '"';
  }

  std::string out_ = "{";
};

// A pixel count read from a picture's header; 0 stands for not known.
std::optional<int64_t> Known(int pixels) {
  return pixels > 0 ? std::optional<int64_t>(pixels) : std::nullopt;
}

}  // namespace

std::string InfoJson(std::string_view path, const engine::TMPTrackProbe& probe) {
  const TStreamFacts facts = StreamFacts(probe);
  const engine::TTagFields& fields = probe.Fields;
  const engine::TMP3Info& info = probe.File->Info;

  const engine::TReplayGain& gain = fields.replay_gain;
  const std::string replay_gain = JsonObject()
                                      .Number("track_gain_db", gain.track_gain, "%.2f")
                                      .Number("track_peak", gain.track_peak, "%.6f")
                                      .Number("album_gain_db", gain.album_gain, "%.2f")
                                      .Number("album_peak", gain.album_peak, "%.6f")
                                      .Close();
  const engine::TPictureInfo& picture = fields.picture;
  const std::string picture_json =
      picture.present ? JsonObject()
                            .Integer("type", picture.type)
                            .Text("type_name", engine::PictureTypeName(picture.type))
                            .Text("mime", picture.mime)
                            .Integer("size", picture.size)
                            .Integer("width", Known(picture.width))
                            .Integer("height", Known(picture.height))
                            .Close()
                      : "null";
  const decoder::VbrHeader& header = probe.File->Source.HeaderFrame();
  const std::string lame = header.HasLame ? JsonObject()
                                                .Text("encoder", header.Lame.Encoder)
                                                .Integer("delay", header.Lame.EncoderDelay)
                                                .Integer("padding", header.Lame.Padding)
                                                .Close()
                                          : "null";
  const std::string tags = JsonObject()
                               .Lines("id3v1", info.Id3v1Lines())
                               .Lines("id3v2", info.Id3v2Lines())
                               .Lines("ape", info.ApeLines())
                               .Lines("riff_info", info.InfoLines())
                               .Lines("lyrics3", info.Lyrics3Lines())
                               .Close();
  return JsonObject()
      .FileName(path)
      .Text("version", facts.version)
      .Integer("layer", facts.layer)
      .Integer("sample_rate", facts.sample_rate)
      .Integer("channels", facts.channels)
      .Text("mode", facts.mode)
      .Integer("bitrate_kbps", facts.first_bitrate_kbps)
      .Integer("average_bitrate_kbps", facts.average_bitrate_kbps)
      .Bool("free_format", facts.free_format)
      .Text("vbr_header", facts.vbr_header)
      .Integer("vbr_frames", facts.vbr_frames)
      .Integer("audio_start", facts.audio_start)
      .Integer("audio_length", facts.audio_length)
      .Integer("samples", facts.samples)
      .Number("duration_seconds",
              facts.duration_ms ? std::optional<double>(*facts.duration_ms / 1000.0) : std::nullopt,
              "%.3f")
      .Bool("duration_estimated", facts.duration_estimated)
      .OptionalText("length_note", facts.length_note)
      .Raw("lame", lame)
      .Integer("id3v2_version",
               info.Id3v2Version() > 0 ? std::optional<int64_t>(info.Id3v2Version()) : std::nullopt)
      .Values("title", probe.TitleFromName ? std::string() : fields.title)
      .Values("artist", fields.artist)
      .Values("album", fields.album)
      .Values("album_artist", fields.album_artist)
      .Values("track", fields.track)
      .Values("disc", fields.disc)
      .Values("year", fields.year)
      .Values("genre", fields.genre)
      .Values("comment", fields.comment)
      .Raw("replaygain", replay_gain)
      .Raw("picture", picture_json)
      .Lines("skipped", info.Skipped())
      .Raw("tags", tags)
      .Close();
}

std::string ErrorJson(std::string_view path, std::string_view message) {
  return JsonObject().FileName(path).Message("error", message).Close();
}

}  // namespace yumekaze::cli

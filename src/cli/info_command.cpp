// yumekaze-cli info: what the player finds in a file: the stream's format, where its audio lies
// between the tags, and every tag line.
#include <algorithm>
#include <cstdio>
#include <exception>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/command_line.h"
#include "cli/player_commands.h"
#include "decoder/frame_scan.h"
#include "engine/player/mp3_player.h"
#include "engine/tags/mp3_info.h"
#include "platform/text/tag_text.h"

namespace yumekaze::cli {
namespace {

constexpr const char* kUsage = "usage: yumekaze-cli info FILE...\n";

constexpr const char* kHelp =
    "Shows what the player finds in MPEG audio files: the stream's format (MPEG version,\n"
    "layer, sampling rate, channels, bitrate or free format, a Xing/VBRI header), where the\n"
    "audio lies (start offset and length in bytes), artist and title, and every tag line\n"
    "(ID3v1, ID3v2, RIFF INFO, Lyrics3).\n"
    "\n"
    "Exit status: 0 success, 1 a file that cannot be read or is not MPEG audio, 2 wrong usage.\n";

constexpr const char* kModeNames[] = {"stereo", "joint stereo", "dual channel", "single channel"};

// Tag text for a terminal: decoded to UTF-8; control characters, which could drive the
// terminal, become spaces, and further lines are indented under the first.
std::string Printable(std::string_view bytes, std::string_view indent) {
  const std::string text = platform::DecodeTagText(bytes);
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    if (c == '\n') {
      out += '\n';
      out += indent;
    } else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
      out += ' ';
    } else {
      out += c;
    }
  }
  return out;
}

std::string FormatLine(const engine::TMP3Player& player, const engine::TMPFrameSource& source) {
  static constexpr const char* kVersions[] = {"", "MPEG-1", "MPEG-2", "MPEG-2.5"};
  static constexpr const char* kLayers[] = {"", "I", "II", "III"};
  const decoder::MpegFrameHeader& header = source.FirstHeader();
  char line[256];
  std::snprintf(line, sizeof line, "%s Layer %s, %d Hz, %d channel%s (%s), ",
                kVersions[source.MpegVersion()], kLayers[source.LayerNumber()], player.SampleRate(),
                player.Channels(), player.Channels() == 1 ? "" : "s", kModeNames[header.Mode & 3]);
  std::string text = line;
  if (source.FreeFormatLength() > 0) {
    std::snprintf(line, sizeof line, "free format (%d kbit/s measured)",
                  source.FirstBitrate() / 1000);
  } else {
    std::snprintf(line, sizeof line, "%d kbit/s", source.FirstBitrate() / 1000);
  }
  return text + line;
}

// The exact length: from the header frame's count less the gapless trim, else from a scan of
// the frame headers (nothing is decoded); then the header frame and its LAME fields.
void PrintLengthLines(const std::string& path, const engine::TMP3Player& player) {
  const engine::TMPFrameSource& source = player.Source();
  const decoder::VbrHeader& vbr = source.HeaderFrame();
  const decoder::MpegOutputInfo& format = source.OutputInfo();
  const int32_t samplesPerFrame = format.SamplesPerFrame / std::max(format.Channels, 1);
  int64_t samples = -1;
  if (vbr.HasFrames && vbr.Frames > 0) {
    const decoder::GaplessTrim trim = decoder::GaplessTrimFor(vbr, samplesPerFrame, vbr.Frames);
    samples = decoder::TrimmedLength(trim, int64_t{vbr.Frames} * samplesPerFrame);
  } else if (player.AudioLength() < engine::kUnknownAudioLength) {
    std::vector<uint8_t> audio(static_cast<size_t>(player.AudioLength()));
    std::ifstream file(path, std::ios::binary);
    file.seekg(player.AudioStart());
    if (file.read(reinterpret_cast<char*>(audio.data()),
                  static_cast<std::streamsize>(audio.size()))) {
      samples = decoder::ScanStream(audio.data(), audio.size(), nullptr).Samples;
    }
  }
  if (samples >= 0 && format.SampleRate > 0) {
    const int64_t ms = samples * 1000 / format.SampleRate;
    std::printf("  duration:     %lld:%02lld.%03lld (%lld samples)\n",
                static_cast<long long>(ms / 60000), static_cast<long long>(ms / 1000 % 60),
                static_cast<long long>(ms % 1000), static_cast<long long>(samples));
  } else {
    std::printf("  duration:     unknown\n");
  }
  std::printf("  header frame: %s\n", decoder::VbrHeaderName(vbr.Kind));
  if (vbr.HasLame) {
    std::printf("  encoder:      %s\n", Printable(vbr.Lame.Encoder, "").c_str());
    std::printf("  delay:        %d samples\n", vbr.Lame.EncoderDelay);
    std::printf("  padding:      %d samples\n", vbr.Lame.Padding);
  }
}

void PrintTagLines(const char* kind, const engine::TMP3Info::TagLines& lines) {
  for (const std::string& line : lines) {
    std::printf("  %-7s %s\n", kind, Printable(line, "          ").c_str());
  }
}

void PrintInfo(const std::string& path, const engine::TMP3Player& player) {
  const engine::TMPFrameSource& source = player.Source();
  std::printf("%s\n", path.c_str());
  std::printf("  format:       %s\n", FormatLine(player, source).c_str());
  switch (source.VbrHeader()) {
    case engine::TVbrHeaderKind::None:
      std::printf("  VBR header:   none\n");
      break;
    case engine::TVbrHeaderKind::Xing:
      std::printf("  VBR header:   Xing, %d frames\n", source.VbrFrames());
      break;
    case engine::TVbrHeaderKind::Vbri:
      std::printf("  VBR header:   VBRI, %d frames\n", source.VbrFrames());
      break;
  }
  PrintLengthLines(path, player);
  std::printf("  audio start:  %lld bytes\n", static_cast<long long>(player.AudioStart()));
  if (player.AudioLength() >= engine::kUnknownAudioLength) {
    std::printf("  audio length: unknown\n");
  } else {
    std::printf("  audio length: %lld bytes\n", static_cast<long long>(player.AudioLength()));
  }
  std::printf("  artist:       %s\n", Printable(player.Artist(), "                ").c_str());
  std::printf("  title:        %s\n", Printable(player.SongTitle(), "                ").c_str());
  const engine::TMP3Info& info = player.Info();
  PrintTagLines("ID3v1", info.Id3v1Lines());
  PrintTagLines("ID3v2", info.Id3v2Lines());
  PrintTagLines("INFO", info.InfoLines());
  PrintTagLines("Lyrics3", info.Lyrics3Lines());
}

}  // namespace

int RunInfoCommand(std::span<char* const> args) {
  if (args.empty()) {
    std::fprintf(stderr, "yumekaze-cli info: no file given\n%s", kUsage);
    return kExitUsage;
  }
  for (const char* arg : args) {
    const std::string_view text = arg;
    if (text == "-h" || text == "--help") {
      std::printf("%s\n%s", kUsage, kHelp);
      return kExitSuccess;
    }
    if (text.size() > 1 && text[0] == '-') {
      std::fprintf(stderr, "yumekaze-cli info: unknown option '%s'\n%s", arg, kUsage);
      return kExitUsage;
    }
  }

  // The player's own open path, without a sound device: nothing is played.
  engine::TMP3Player player;
  player.SetAutoPlay(false);
  int status = kExitSuccess;
  bool first = true;
  for (const char* arg : args) {
    const std::string path = arg;
    if (!first) std::printf("\n");
    first = false;
    try {
      player.SetFileName(path);
      PrintInfo(path, player);
    } catch (const std::exception& error) {
      std::fflush(stdout);
      std::fprintf(stderr, "yumekaze-cli info: %s: %s\n", path.c_str(), error.what());
      status = kExitFailure;
    }
    player.Window().ProcessPending();
  }
  return status;
}

}  // namespace yumekaze::cli

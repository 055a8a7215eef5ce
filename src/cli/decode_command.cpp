// yumekaze-cli decode: decodes an MPEG audio file to a WAV file or raw 16-bit PCM.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "cli/command_line.h"
#include "cli/equalizer_option.h"
#include "cli/fd_stream.h"
#include "cli/pcm_writer.h"
#include "cli/shown_text.h"
#include "cli/stream_decode.h"
#include "decoder/decoder_state.h"

namespace yumekaze::cli {
namespace {

constexpr const char* kUsage =
    "usage: yumekaze-cli decode [--band-cap] [--channels stereo|mix|left|right]\n"
    "                           [--freq-limit HZ] [--cpu auto|x87|3dnow|sse2|avx2]\n"
    "                           [--no-gapless] [--start TIME] [--duration TIME]\n"
    "                           [--eq flat|PRESET|G1,G2,...|list] [--eq-mode freq|subband]\n"
    "                           INPUT -o OUTPUT\n";

constexpr const char* kHelp =
    "Decodes an MPEG audio file (Layer I, II or III) to signed 16-bit PCM.\n"
    "\n"
    "  INPUT               the MPEG audio file; - reads standard input\n"
    "  -o, --output OUTPUT NAME.wav writes a WAV file; - writes raw PCM to standard output;\n"
    "                      any other name gets raw PCM (16-bit little-endian, interleaved)\n"
    "  --band-cap          leave out the top subband (decode 31 of the 32); by default\n"
    "                      all are decoded, the standard's full bandwidth, as the player does\n"
    "  --full-band         decode all 32 subbands (the default)\n"
    "  --channels MODE     stereo (channels as coded, the default), mix (both to one),\n"
    "                      left or right (one channel only)\n"
    "  --freq-limit HZ     decode only the subbands below HZ (default 24000)\n"
    "  --cpu FORM          inner-loop forms: auto (the best this processor has, the\n"
    "                      default), x87 (the reference), 3dnow, sse2 or avx2 (with FMA)\n"
    "  --no-gapless        keep every decoded sample; by default the encoder delay and\n"
    "                      padding that a LAME tag records are cut, as mpg123 does\n"
    "  --start TIME        begin at TIME (seconds with a fraction, or M:SS.mmm); the PCM\n"
    "                      is exactly that part of a decode from the start. A start at or\n"
    "                      past the end of the audio is an error\n"
    "  --duration TIME     write at most TIME of PCM (same forms)\n";

// After the equalizer's lines.
constexpr const char* kHelpRest =
    "  -h, --help          show this help\n"
    "\n"
    "A stream whose sampling rate or channel count changes (files joined together):\n"
    "raw output goes on in each new format as decoded, with a note on standard error;\n"
    "a WAV file holds one format, so decoding stops at the change with an error (exit\n"
    "status 1), keeping the PCM before it.\n"
    "\n"
    "Exit status: 0 success, 1 input that cannot be read or decoded, 2 wrong usage.\n";

// Input larger than this shows progress when standard error is a terminal.
constexpr int64_t kProgressThreshold = 16 << 20;

struct DecodeArguments {
  std::string input;
  std::string output;
  DecodeSettings settings{.cpuFlags = decoder::GetCpuCapabilities()};
};

int UsageError(const char* format, const char* detail) {
  std::fprintf(stderr, "yumekaze-cli decode: ");
  std::fprintf(stderr, format, ShownFileName(detail).c_str());
  std::fprintf(stderr, "\n%s", kUsage);
  return kExitUsage;
}

bool ParseChannels(std::string_view text, uint8_t& selection) {
  constexpr std::string_view kNames[] = {"stereo", "mix", "left", "right"};
  for (uint8_t i = 0; i < 4; ++i) {
    if (text == kNames[i]) {
      selection = i;
      return true;
    }
  }
  return false;
}

bool ParseHertz(std::string_view text, int32_t& hertz) {
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, hertz);
  return error == std::errc() && stop == end && hertz >= 0;
}

// Seconds with up to three decimals, or M:SS(.mmm), as whole milliseconds.
bool ParseTime(std::string_view text, int64_t& milliseconds) {
  int64_t minutes = -1;
  if (const auto colon = text.find(':'); colon != std::string_view::npos) {
    const auto [stop, error] = std::from_chars(text.data(), text.data() + colon, minutes);
    if (error != std::errc() || stop != text.data() + colon || minutes < 0) return false;
    text.remove_prefix(colon + 1);
    if (text.find('.') != 2 && text.size() != 2) return false;  // SS after the colon
  }
  const auto dot = text.find('.');
  const std::string_view whole = text.substr(0, dot);
  int64_t seconds = 0;
  const auto [stop, error] = std::from_chars(whole.data(), whole.data() + whole.size(), seconds);
  if (whole.empty() || error != std::errc() || stop != whole.data() + whole.size() || seconds < 0 ||
      (minutes >= 0 && seconds > 59)) {
    return false;
  }
  int64_t fraction = 0;
  if (dot != std::string_view::npos) {
    const std::string_view digits = text.substr(dot + 1);
    if (digits.empty() || digits.size() > 3) return false;
    for (const char digit : digits) {
      if (digit < '0' || digit > '9') return false;
    }
    std::from_chars(digits.data(), digits.data() + digits.size(), fraction);
    for (size_t i = digits.size(); i < 3; ++i) fraction *= 10;
  }
  milliseconds = (std::max<int64_t>(minutes, 0) * 60 + seconds) * 1000 + fraction;
  return true;
}

// The CpuFeatureFlags that select a form; auto takes every detected capability.
bool ParseCpuForm(std::string_view text, uint32_t& flags) {
  if (text == "auto") {
    flags = decoder::GetCpuCapabilities();
  } else if (text == "x87") {
    flags = 0;
  } else if (text == "3dnow") {
    flags = decoder::kCpu3DNow;
  } else if (text == "sse2") {
    flags = decoder::kCpuSSE2;
  } else if (text == "avx2") {
    flags = decoder::kCpuSSE2 | decoder::kCpuAVX2 | decoder::kCpuFMA;
  } else {
    return false;
  }
  return true;
}

// Returns -1 when the arguments are complete, else the exit status to return at once.
int ParseArguments(std::span<char* const> args, DecodeArguments& parsed) {
  uint8_t selection = 0;
  bool haveOutput = false;
  for (size_t i = 0; i < args.size(); ++i) {
    std::string_view arg = args[i];
    std::string_view value;
    bool hasInlineValue = false;
    if (arg.starts_with("--") && arg.find('=') != std::string_view::npos) {
      value = arg.substr(arg.find('=') + 1);
      arg = arg.substr(0, arg.find('='));
      hasInlineValue = true;
    }
    auto takeValue = [&]() -> bool {
      if (hasInlineValue) return true;
      if (i + 1 >= args.size()) return false;
      value = args[++i];
      return true;
    };
    if (arg == "-h" || arg == "--help") {
      std::printf("%s\n%s%s%s", kUsage, kHelp, EqualizerHelp(22).c_str(), kHelpRest);
      return kExitSuccess;
    } else if (arg == "--no-gapless") {
      parsed.settings.gapless = false;
    } else if (arg == "--start" || arg == "--duration") {
      int64_t& time = arg == "--start" ? parsed.settings.startMs : parsed.settings.durationMs;
      if (!takeValue() || !ParseTime(value, time)) {
        return UsageError("%s takes seconds (12.5) or minutes and seconds (1:02.500)",
                          arg == "--start" ? "--start" : "--duration");
      }
    } else if (arg == "--full-band") {
      parsed.settings.options |= decoder::kOptionFullBand;
    } else if (arg == "--band-cap") {
      parsed.settings.options &= static_cast<uint8_t>(~decoder::kOptionFullBand);
    } else if (arg == "--channels") {
      if (!takeValue() || !ParseChannels(value, selection)) {
        return UsageError("--channels takes stereo, mix, left or right%s", "");
      }
    } else if (arg == "--freq-limit") {
      if (!takeValue() || !ParseHertz(value, parsed.settings.frequencyLimit)) {
        return UsageError("--freq-limit takes a frequency in Hz%s", "");
      }
    } else if (arg == "--cpu") {
      if (!takeValue() || !ParseCpuForm(value, parsed.settings.cpuFlags)) {
        return UsageError("--cpu takes auto, x87, 3dnow, sse2 or avx2%s", "");
      }
    } else if (arg == "--eq" || arg == "--eq-mode") {
      if (!takeValue() ||
          TakeEqualizerOption(arg, value, parsed.settings.equalizer) != EqualizerOption::kTaken) {
        return UsageError("%s", arg == "--eq" ? "--eq takes flat, list, a preset or dB per band "
                                                "(-12 to 12) separated by commas"
                                              : "--eq-mode takes freq or subband");
      }
      if (parsed.settings.equalizer.listAsked) {
        PrintEqualizerList(stdout);
        return kExitSuccess;
      }
    } else if (arg == "-o" || arg == "--output") {
      if (!takeValue()) return UsageError("%s needs a file name", args[i]);
      parsed.output = std::string(value);
      haveOutput = true;
    } else if (arg.size() > 1 && arg.starts_with("-")) {
      return UsageError("unknown option %s", args[i]);
    } else if (parsed.input.empty()) {
      parsed.input = std::string(arg);
    } else {
      return UsageError("unexpected argument %s", args[i]);
    }
  }
  if (parsed.input.empty()) return UsageError("no input file%s", "");
  if (!haveOutput || parsed.output.empty()) return UsageError("no output file (-o)%s", "");
  parsed.settings.options |= selection;
  return -1;
}

class ProgressLine {
 public:
  explicit ProgressLine(int64_t total)
      : total_(total), shown_(total >= kProgressThreshold && ::isatty(STDERR_FILENO)) {}

  void Update(int64_t position) {
    if (!shown_) return;
    const int percent = static_cast<int>(position * 100 / total_);
    if (percent == lastPercent_) return;
    lastPercent_ = percent;
    std::fprintf(stderr, "\rdecoding: %3d%%", percent);
  }
  void Clear() {
    if (shown_ && lastPercent_ >= 0) std::fprintf(stderr, "\r              \r");
  }

 private:
  int64_t total_;
  bool shown_;
  int lastPercent_ = -1;
};

}  // namespace

int RunDecodeCommand(std::span<char* const> args) {
  DecodeArguments parsed;
  if (const int status = ParseArguments(args, parsed); status >= 0) return status;

  // Forms the processor lacks would fault; the portable ones (x87, 3dnow) always run.
  const uint32_t missing = parsed.settings.cpuFlags & ~decoder::GetCpuCapabilities() &
                           (decoder::kCpuSSE2 | decoder::kCpuAVX2 | decoder::kCpuFMA);
  if (missing != 0) {
    std::fprintf(stderr, "yumekaze-cli decode: this processor cannot run the %s form\n",
                 missing & decoder::kCpuSSE2 ? "sse2" : "avx2");
    return kExitFailure;
  }
  FdStream input;
  if (!input.Open(parsed.input)) {
    std::fprintf(stderr, "yumekaze-cli decode: cannot open %s: %s\n",
                 ShownFileName(parsed.input).c_str(), std::strerror(input.LastError()));
    return kExitFailure;
  }
  PcmWriter output(parsed.output);
  // The decoder's state is large; it lives on the heap, set up once before decoding.
  auto decoder = std::make_unique<decoder::DecoderState>();
  ProgressLine progress(input.Size());
  const DecodeReport report = DecodeStream(
      input, output, parsed.settings, *decoder,
      [&progress](int64_t position) { progress.Update(position); },
      [&](const FormatChange& change) {
        progress.Clear();
        std::fprintf(stderr,
                     "yumekaze-cli decode: %s: the format changes at byte %lld to %d Hz, %s\n",
                     ShownFileName(parsed.input).c_str(), static_cast<long long>(change.position),
                     change.format.SampleRate, change.format.Channels == 1 ? "mono" : "stereo");
      });
  progress.Clear();
  const int savedErrno = report.error;
  const bool finished = output.Finish();
  switch (report.outcome) {
    case DecodeOutcome::kNotMpegAudio:
      std::fprintf(stderr, "yumekaze-cli decode: %s: unknown MPEG Audio format.\n",
                   ShownFileName(parsed.input).c_str());
      return kExitFailure;
    case DecodeOutcome::kReadFailed:
      std::fprintf(stderr, "yumekaze-cli decode: cannot read %s: %s\n",
                   ShownFileName(parsed.input).c_str(), std::strerror(savedErrno));
      return kExitFailure;
    case DecodeOutcome::kWriteFailed:
      std::fprintf(stderr, "yumekaze-cli decode: cannot write %s: %s\n",
                   ShownFileName(parsed.output).c_str(), std::strerror(savedErrno));
      return kExitFailure;
    case DecodeOutcome::kFormatChanged:
      std::fprintf(stderr,
                   "yumekaze-cli decode: a WAV file holds one format; decoding stopped at the "
                   "change (raw output keeps every format)\n");
      return kExitFailure;
    case DecodeOutcome::kStartPastEnd: {
      const int64_t ms = report.audioSamples * 1000 / std::max(report.format.SampleRate, 1);
      std::fprintf(stderr,
                   "yumekaze-cli decode: %s: --start is at or past the end of the audio "
                   "(%lld:%02lld.%03lld)\n",
                   ShownFileName(parsed.input).c_str(), static_cast<long long>(ms / 60000),
                   static_cast<long long>(ms / 1000 % 60), static_cast<long long>(ms % 1000));
      return kExitFailure;
    }
    case DecodeOutcome::kDone:
      break;
  }
  if (!finished) {
    std::fprintf(stderr, "yumekaze-cli decode: cannot write %s: %s\n",
                 ShownFileName(parsed.output).c_str(), std::strerror(errno));
    return kExitFailure;
  }
  return kExitSuccess;
}

}  // namespace yumekaze::cli

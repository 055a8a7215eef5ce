// The decode loop of yumekaze-cli over the player's own frame source: the same tag skipping,
// first-frame checks, header frame, gapless trim, resynchronisation and end-of-data rules as
// playback. Raw output takes every format change as it comes; a WAV file holds one format, so
// decoding stops at a change (kFormatChanged) with the PCM before it written.
#pragma once

#include <cstdint>
#include <functional>

#include "cli/equalizer_option.h"
#include "cli/fd_stream.h"
#include "cli/pcm_writer.h"
#include "decoder/decoder.h"

namespace yumekaze::decoder {
struct DecoderState;
}

namespace yumekaze::cli {

struct DecodeSettings {
  uint8_t options = decoder::kOptionFullBand;  // DecoderOptions
  int32_t frequencyLimit = 24000;              // Hz, as the player asks
  uint32_t cpuFlags = 0;                       // CpuFeatureFlags for SelectCpuVariants
  bool gapless = true;                         // trim encoder delay and padding (LAME tag)
  int64_t startMs = 0;                         // the PCM begins this far into the decode
  int64_t durationMs = -1;                     // and holds at most this much; -1: to the end
  EqualizerChoice equalizer = {};              // none unless --eq
};

enum class DecodeOutcome {
  kDone,
  kNotMpegAudio,   // no frame found, or the decoder refused the first one
  kReadFailed,     // errno in DecodeReport::error
  kWriteFailed,    // errno in DecodeReport::error
  kFormatChanged,  // the sampling rate or channel count changed and the output is a WAV file
  kStartPastEnd,   // the start lies at or past the end of the audio (audioSamples long); an
                   // input that can seek has created no output
};

// A change of sampling rate or channel count inside the stream.
struct FormatChange {
  int64_t position = 0;  // input byte offset of the first frame in the new format
  decoder::MpegOutputInfo format{};
};

struct DecodeReport {
  DecodeOutcome outcome = DecodeOutcome::kDone;
  int error = 0;
  decoder::MpegOutputInfo format{};
  uint64_t frames = 0;
  int64_t skippedBytes = 0;  // bytes skipped while resynchronising
  uint64_t samples = 0;      // PCM samples per channel written
  int formatChanges = 0;     // raw output goes on in each new format
  FormatChange lastChange;
  int64_t audioSamples = 0;  // per channel, with kStartPastEnd
};

// Called at every change of format, before the first PCM in it is written.
using FormatChangeFn = std::function<void(const FormatChange& change)>;

// Called now and then with the input position, for progress displays.
using ProgressFn = std::function<void(int64_t position)>;

DecodeReport DecodeStream(FdStream& input, PcmWriter& output, const DecodeSettings& settings,
                          decoder::DecoderState& decoder, const ProgressFn& progress,
                          const FormatChangeFn& formatChange = {});

}  // namespace yumekaze::cli

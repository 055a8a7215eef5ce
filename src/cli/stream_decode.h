// The decode loop of yumekaze-cli over the player's own frame source: the same tag skipping,
// first-frame checks, VBR header frame, resynchronisation and end-of-data rules as playback.
#pragma once

#include <cstdint>
#include <functional>

#include "cli/fd_stream.h"
#include "cli/pcm_writer.h"
#include "decoder/decoder.h"

namespace yumekaze::decoder {
struct DecoderState;
}

namespace yumekaze::cli {

struct DecodeSettings {
  uint8_t options = 0;             // DecoderOptions
  int32_t frequencyLimit = 24000;  // Hz, as the player asks
  uint32_t cpuFlags = 0;           // CpuFeatureFlags for SelectCpuVariants
};

enum class DecodeOutcome {
  kDone,
  kNotMpegAudio,  // no frame found, or the decoder refused the first one
  kReadFailed,    // errno in DecodeReport::error
  kWriteFailed,   // errno in DecodeReport::error
};

struct DecodeReport {
  DecodeOutcome outcome = DecodeOutcome::kDone;
  int error = 0;
  decoder::MpegOutputInfo format{};
  uint64_t frames = 0;
  int64_t skippedBytes = 0;  // bytes skipped while resynchronising
};

// Called now and then with the input position, for progress displays.
using ProgressFn = std::function<void(int64_t position)>;

DecodeReport DecodeStream(FdStream& input, PcmWriter& output, const DecodeSettings& settings,
                          decoder::DecoderState& decoder, const ProgressFn& progress);

}  // namespace yumekaze::cli

// The decode loop of yumekaze-cli: finds the first frame, sets the decoder up and decodes frame
// after frame, skipping bytes that do not start a frame matching the first one.
#pragma once

#include <cstdint>
#include <functional>

#include "cli/input_buffer.h"
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
  kReadFailed,
  kWriteFailed,
};

struct DecodeReport {
  DecodeOutcome outcome = DecodeOutcome::kDone;
  decoder::MpegOutputInfo format{};
  uint64_t frames = 0;
  uint64_t skippedBytes = 0;  // bytes skipped while resynchronising
};

// Called now and then with the input position, for progress displays.
using ProgressFn = std::function<void(uint64_t position)>;

DecodeReport DecodeStream(InputBuffer& input, PcmWriter& output, const DecodeSettings& settings,
                          decoder::DecoderState& decoder, const ProgressFn& progress);

}  // namespace yumekaze::cli

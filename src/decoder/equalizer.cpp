// Accessors of the decoder's two equalizer gain sets. The player writes through the returned
// addresses; indices are not checked (0..31 and 0..575).
#include "decoder/decoder.h"
#include "decoder/decoder_state.h"

namespace yumekaze::decoder {

float* GetSubbandGainPtr(DecoderState& decoder, int index) {
  return &decoder.equalizer.SubbandGains[index];
}

int32_t* GetSubbandEqEnabledPtr(DecoderState& decoder) {
  return &decoder.equalizer.SubbandEqEnabled;
}

float* GetLineGainPtr(DecoderState& decoder, int index) {
  return &decoder.equalizer.LineGains[index];
}

int32_t* GetLineEqEnabledPtr(DecoderState& decoder) { return &decoder.equalizer.LineEqEnabled; }

float* GetSubbandGainPtr(int index) { return GetSubbandGainPtr(GlobalDecoder(), index); }

int32_t* GetSubbandEqEnabledPtr() { return GetSubbandEqEnabledPtr(GlobalDecoder()); }

float* GetLineGainPtr(int index) { return GetLineGainPtr(GlobalDecoder(), index); }

int32_t* GetLineEqEnabledPtr() { return GetLineEqEnabledPtr(GlobalDecoder()); }

}  // namespace yumekaze::decoder

// The decoder's two equalizer gain sets, each with its own switch.
#pragma once

#include <cstdint>

namespace yumekaze::decoder {

struct EqualizerState {
  float SubbandGains[32];  // applied to the subband samples just before the synthesis
  int32_t SubbandEqEnabled;
  float LineGains[576];  // applied to the Layer III spectrum after alias reduction
  int32_t LineEqEnabled;
};

}  // namespace yumekaze::decoder

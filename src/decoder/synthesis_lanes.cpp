#include "decoder/synthesis_lanes.h"

#include "decoder/tables/tables.h"

namespace yumekaze::decoder {
namespace {

SynthLaneWindow Build() {
  SynthLaneWindow lanes{};
  for (int m = 0; m < 8; ++m) {
    for (int j = 0; j < 16; ++j) {
      lanes.Low[m][0][j] = SynthWindow[16 * j + 2 * m];
      lanes.Low[m][1][j] = SynthWindow[16 * j + 2 * m + 1];
    }
    for (int k = 0; k < 15; ++k) {
      // Samples 17..31 read rows 15..1 backwards from their last entry.
      const float* row = SynthWindow + 16 * (32 - (17 + k)) + 15;
      lanes.High[m][0][k] = row[-2 * m];
      lanes.High[m][1][k] = row[-2 * m - 1];
    }
    lanes.Middle[m] = SynthWindow[256 + m];
  }
  return lanes;
}

}  // namespace

const SynthLaneWindow kSynthLaneWindow = Build();

}  // namespace yumekaze::decoder

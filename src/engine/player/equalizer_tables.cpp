#include "engine/player/equalizer_tables.h"

#include <algorithm>
#include <cmath>

#include "decoder/decoder.h"
#include "engine/stream/mp_assert.h"

namespace yumekaze::engine {
namespace {

constexpr int kSubbands = 32;
constexpr int kLines = 576;

// Rounds to the nearest integer, halves to even (the default rounding mode).
int RoundEven(long double value) { return static_cast<int>(std::nearbyintl(value)); }

int LineCentre(int sampleRate, int line) {
  MPAssert(sampleRate > 0 && line >= 0 && line < kLines);
  return RoundEven(static_cast<long double>(sampleRate) / 1152 * (line + 0.5L));
}

float BandFactor(const TEqualizerBands& bands, int band) {
  return static_cast<float>(std::pow(10.0L, (bands.Gains[band] + bands.Preamp) / 100.0L));
}

}  // namespace

int SubbandCentre(int sampleRate, int subband) {
  MPAssert(sampleRate > 0 && subband >= 0 && subband < kSubbands);
  return RoundEven(static_cast<long double>(sampleRate) / 64 * (subband + 0.5L));
}

void SpreadBandFrequencies(TEqualizerBands& bands, int low, int high) {
  int* frequency = bands.Frequencies;
  frequency[0] = low;
  for (int i = 1; i <= bands.Count - 2; ++i) {
    const long double previous = frequency[i - 1];
    frequency[i] = RoundEven(previous * std::pow(high / previous, 1.0L / (bands.Count - i)));
    MPAssert(frequency[i] >= frequency[i - 1]);
  }
  frequency[bands.Count - 1] = high;
}

int NearestBand(const TEqualizerBands& bands, double centre) {
  int nearest = 0;
  float best = 2147483648.0f;
  for (int band = 0; band < bands.Count; ++band) {
    const float frequency = static_cast<float>(std::max(bands.Frequencies[band], 1));
    float ratio = frequency / static_cast<float>(centre);
    if (ratio < 1.0f) ratio = 1.0f / ratio;
    if (ratio < best) {
      best = ratio;
      nearest = band;
    }
  }
  return nearest;
}

void FillEqualizerTables(TEqualizerBands& bands, int sampleRate, int layer,
                         decoder::DecoderState& decoder) {
  int32_t& subband_enabled = *decoder::GetSubbandEqEnabledPtr(decoder);
  int32_t& line_enabled = *decoder::GetLineEqEnabledPtr(decoder);
  if (bands.Mode == memSubBand) {
    subband_enabled = bands.Enabled ? 1 : 0;
    line_enabled = 0;
    for (int s = 0; s < kSubbands; ++s)
      *decoder::GetSubbandGainPtr(decoder, s) = BandFactor(bands, s);
    if (sampleRate > 0) {
      for (int s = 0; s < kSubbands; ++s) bands.Frequencies[s] = SubbandCentre(sampleRate, s);
    }
  } else if (layer == 3) {
    subband_enabled = 0;
    line_enabled = bands.Enabled ? 1 : 0;
    if (bands.Enabled) {
      for (int k = 0; k < kLines; ++k) {
        *decoder::GetLineGainPtr(decoder, k) =
            BandFactor(bands, NearestBand(bands, LineCentre(sampleRate, k)));
      }
    }
  } else {
    subband_enabled = bands.Enabled ? 1 : 0;
    line_enabled = 0;
    if (bands.Enabled) {
      for (int s = 0; s < kSubbands; ++s) {
        *decoder::GetSubbandGainPtr(decoder, s) =
            BandFactor(bands, NearestBand(bands, SubbandCentre(sampleRate, s)));
      }
    }
  }
}

}  // namespace yumekaze::engine

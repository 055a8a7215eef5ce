// The equalizer as the user sets it, and the decoder gain tables it gives for a stream.
#pragma once

#include <cmath>

#include "engine/player/player_types.h"

namespace yumekaze::decoder {
struct DecoderState;
}

namespace yumekaze::engine {

struct TEqualizerBands {
  static constexpr int kMaxBands = 32;
  bool Enabled = false;
  int Count = 6;  // bands used in frequency mode, 1..32
  TMP3EqualizerMode Mode = memSubBand;
  int Gains[kMaxBands] = {};        // a band's factor is 10^(gain / 100): GainUnits
  int Preamp = 0;                   // added to every band's gain while enabled
  int Frequencies[kMaxBands] = {};  // band centres in Hz
};

// Gains are kept in fifths of a decibel: a gain g is the factor 10^(g / 100).
inline constexpr int kGainUnitsPerDb = 5;
inline int GainUnits(double dB) { return static_cast<int>(std::lround(dB * kGainUnitsPerDb)); }
inline double GainDb(int units) { return static_cast<double>(units) / kGainUnitsPerDb; }

// Centres for Count bands from low to high, each dividing the remaining ratio evenly in log
// scale among the bands still to place. The caller checks 1 <= low <= high <= 24000.
void SpreadBandFrequencies(TEqualizerBands& bands, int low, int high);
// The band nearest in log-frequency to a centre frequency; the first of equals wins.
int NearestBand(const TEqualizerBands& bands, double centre);
// The centre frequency of synthesis subband 0..31 at a sampling rate.
int SubbandCentre(int sampleRate, int subband);

// Fills the decoder's two gain sets for a stream of that rate and layer: subband mode sets one
// gain per subband (all layers) and takes the subband centres as its band frequencies;
// frequency mode gives each Layer III spectral line, or each subband of the other layers, the
// gain of its nearest band.
void FillEqualizerTables(TEqualizerBands& bands, int sampleRate, int layer,
                         decoder::DecoderState& decoder);

}  // namespace yumekaze::engine

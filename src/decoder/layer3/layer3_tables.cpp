// Builds the numeric tables of requantization, stereo, alias reduction and the IMDCT.
#include "decoder/layer3/layer3_tables.h"

#include <cmath>

namespace yumekaze::decoder {
namespace {

const double kPi = 4.0 * std::atan(1.0);

// The standard's alias-reduction constants c[i] (ISO/IEC 11172-3 Table B.9).
constexpr double kAliasConstants[8] = {-0.6,   -0.535, -0.33,   -0.185,
                                       -0.095, -0.041, -0.0142, -0.0037};

void BuildRequantTables(Layer3Tables& tables) {
  for (int i = 0; i < 262; ++i)
    tables.GainTable[i] = static_cast<float>(std::exp2((i - 156) / 4.0));
  for (int s = 0; s < 2; ++s) {
    for (int p = 0; p < 4; ++p) {
      for (int k = 0; k < 32; ++k) {
        tables.ScaleTable[s][p][k] = static_cast<float>(std::exp2(-0.5 * (s + 1) * (p + k)));
      }
    }
  }
  for (int v = -32; v < 32; ++v) {
    tables.PowTable[v + 32] = static_cast<float>(std::cbrt(static_cast<double>(std::abs(v))) * v);
  }
  for (int i = 0; i < 8; ++i) tables.SubblockTable[i] = static_cast<float>(std::exp2(-2.0 * i));
}

void BuildIntensityTables(Layer3Tables& tables) {
  const double root2 = std::sqrt(2.0);
  for (int ms = 0; ms < 2; ++ms) {
    const double m = ms ? root2 : 1.0;
    for (int p = 0; p < 7; ++p) {
      const double s = std::sin(p * kPi / 12.0);
      const double c = std::cos(p * kPi / 12.0);
      tables.IntensityMpeg1[ms][p][0] = static_cast<float>(s / (s + c) * m);
      tables.IntensityMpeg1[ms][p][1] = static_cast<float>(c / (s + c) * m);
    }
    tables.IntensityMpeg1[ms][7][0] = 1.0f;
    tables.IntensityMpeg1[ms][7][1] = ms ? 1.0f : 0.0f;
  }
  for (int scale = 0; scale < 2; ++scale) {
    const double io = scale ? std::exp2(-0.5) : std::exp2(-0.25);
    for (int ms = 0; ms < 2; ++ms) {
      const double m = ms ? root2 : 1.0;
      float(*pairs)[2] = tables.IntensityLsf[scale][ms];
      for (int n = 0; n < 6; ++n) {
        const int base = (1 << n) - 1;
        const int count = 1 << n;
        for (int p = 0; p < count - 1; ++p) {
          double left = m;
          double right = m;
          if (p % 2 == 1) left = std::pow(io, (p + 1) / 2) * m;
          if (p > 0 && p % 2 == 0) right = std::pow(io, p / 2) * m;
          pairs[base + p][0] = static_cast<float>(left);
          pairs[base + p][1] = static_cast<float>(right);
        }
        pairs[base + count - 1][0] = 1.0f;
        pairs[base + count - 1][1] = ms ? 1.0f : 0.0f;
      }
      // The sub-tables fill pairs 0..62; pair 63 is never addressed.
      pairs[63][0] = 1.0f;
      pairs[63][1] = ms ? 1.0f : 0.0f;
    }
  }
}

void BuildTransformTables(Layer3Tables& tables) {
  for (int i = 0; i < 8; ++i) {
    const double c = static_cast<float>(kAliasConstants[i]);
    const double root = std::sqrt(1.0 + c * c);
    tables.AliasCs[i] = static_cast<float>(1.0 / root);
    tables.AliasCa[i] = static_cast<float>(c / root);
  }
  for (int i = 0; i < 36; ++i) {
    const double longWindow = std::sin(kPi / 36.0 * (i + 0.5));
    tables.Windows[0][i] = static_cast<float>(longWindow);
    float start = 0.0f;
    if (i < 18) {
      start = static_cast<float>(longWindow);
    } else if (i < 24) {
      start = 1.0f;
    } else if (i < 30) {
      start = static_cast<float>(std::sin(kPi / 12.0 * (i - 18 + 0.5)));
    }
    tables.Windows[1][i] = start;
    tables.Windows[2][i] = i < 12 ? static_cast<float>(std::sin(kPi / 12.0 * (i + 0.5))) : 0.0f;
    float stop = static_cast<float>(longWindow);
    if (i < 6) {
      stop = 0.0f;
    } else if (i < 12) {
      stop = static_cast<float>(std::sin(kPi / 12.0 * (i - 6 + 0.5)));
    } else if (i < 18) {
      stop = 1.0f;
    }
    tables.Windows[3][i] = stop;
  }
  for (int i = 0; i < 36; ++i) {
    for (int k = 0; k < 18; ++k) {
      tables.ImdctLong[i][k] = std::cos(kPi / 72.0 * (2 * i + 1 + 18) * (2 * k + 1));
    }
  }
  for (int i = 0; i < 12; ++i) {
    for (int k = 0; k < 6; ++k) {
      tables.ImdctShort[i][k] = std::cos(kPi / 24.0 * (2 * i + 1 + 6) * (2 * k + 1));
    }
  }
  for (int k = 0; k < 18; ++k) tables.LongTwiddle[k] = 2.0 * std::cos((2 * k + 1) * kPi / 72.0);
  for (int j = 0; j < 9; ++j) tables.OddTwiddle[j] = 2.0 * std::cos((2 * j + 1) * kPi / 36.0);
  for (int i = 0; i < 9; ++i) {
    for (int j = 0; j < 4; ++j) tables.Dct9[i][j] = std::cos(i * kPi * (2 * j + 1) / 18.0);
  }
  for (int m = 0; m < 6; ++m) {
    for (int k = 0; k < 6; ++k) {
      tables.ShortDct4[m][k] = std::cos(kPi / 24.0 * (2 * m + 1) * (2 * k + 1));
    }
  }
  for (int w = 0; w < 4; ++w) {
    for (int i = 0; i < 36; ++i) tables.WindowsWide[w][i] = tables.Windows[w][i];
  }
}

}  // namespace

void BuildLayer3Tables(Layer3Tables& tables) {
  BuildRequantTables(tables);
  BuildIntensityTables(tables);
  BuildTransformTables(tables);
}

}  // namespace yumekaze::decoder

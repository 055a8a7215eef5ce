// Numeric tables of requantization, stereo, alias reduction and the IMDCT, built at set-up.
#pragma once

#include <cstdint>

namespace yumekaze::decoder {

struct Layer3Tables {
  // 2^((i - 156) / 4), indexed by GlobalGain + 6: the standard's 2^((gain - 210) / 4) x 32768.
  float GainTable[262];
  // [ScalefacScale][pre-emphasis][scale factor]: 2^(-0.5 (s + 1) (p + k)).
  float ScaleTable[2][4][32];
  // sign(v) |v|^(4/3) for v = -32..31, at index v + 32.
  float PowTable[64];
  float SubblockTable[8];  // 2^(-2i)
  // MPEG-1 intensity pairs (kL, kR) by [MsStereo][position 0..7].
  float IntensityMpeg1[2][8][2];
  // LSF intensity pairs by [intensity scale][MsStereo][pair]; sub-table n of 2^n pairs starts at
  // pair 2^n - 1, its last pair meaning "not intensity coded".
  float IntensityLsf[2][2][64][2];
  float AliasCs[8];
  float AliasCa[8];
  // Windows by block type, 36 values each (type 2 uses its first 12).
  float Windows[4][36];
  // cos(pi / 72 (2i + 1 + 18)(2k + 1)) and cos(pi / 24 (2i + 1 + 6)(2k + 1)).
  double ImdctLong[36][18];
  double ImdctShort[12][6];

  // Constants of the factorised transforms of the SIMD forms, in double precision. The long
  // transform is an 18-point DCT-IV: pre-twiddle, 18-point DCT-II split into two 9-point ones, and
  // the recurrence y[n] = c[n] - y[n - 1]; the short one a direct 6-point DCT-IV.
  double LongTwiddle[18];     // 2cos((2k + 1) pi / 72)
  double OddTwiddle[9];       // 2cos((2j + 1) pi / 36)
  double Dct9[9][4];          // cos(i pi (2j + 1) / 18)
  double ShortDct4[6][6];     // cos(pi / 24 (2m + 1)(2k + 1))
  double WindowsWide[4][36];  // Windows as doubles
};

void BuildLayer3Tables(Layer3Tables& tables);

}  // namespace yumekaze::decoder

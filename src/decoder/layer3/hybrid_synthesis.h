// IMDCT, windowing and overlap-add of one channel's granule into 18 slots of 32 subband samples.
#pragma once

#include <cstdint>

#include "decoder/layer3/layer3_tables.h"

namespace yumekaze::decoder {

using HybridSynthesisFn = int32_t (*)(const Layer3Tables& tables, float* spectrum, float* overlap,
                                      float* out, int32_t blockType, int32_t mixedLongLines,
                                      int32_t longLines, int32_t lines, int32_t previousLines);

// spectrum: the granule's 576 lines, replaced by its overlap for the next granule (the second
// halves of the windowed blocks; untouched subbands stay zero). overlap: the previous granule's
// overlap of this channel. out: [18 slots][32 subbands]. longLines are transformed with long
// blocks, the rest of `lines` with three short windows. Long blocks take window `blockType`,
// except that the first mixedLongLines (the long part of a mixed block, whatever its block type)
// and the long part of a short block type take window 0; subbands below previousLines that are not
// transformed pass the overlap alone; all other subbands of out are zero. Returns 18 x the subbands
// produced.
int32_t HybridSynthesisX87(const Layer3Tables& tables, float* spectrum, float* overlap, float* out,
                           int32_t blockType, int32_t mixedLongLines, int32_t longLines,
                           int32_t lines, int32_t previousLines);
// Form of the extended-3DNow! variant: window products rounded to single precision.
int32_t HybridSynthesisPacked(const Layer3Tables& tables, float* spectrum, float* overlap,
                              float* out, int32_t blockType, int32_t mixedLongLines,
                              int32_t longLines, int32_t lines, int32_t previousLines);

// Adds a second channel's transform into out and into the first channel's overlap (mix to mono
// with differing block types). Returns 18 x the subbands transformed.
int32_t HybridSynthesisAccumulate(const Layer3Tables& tables, const float* spectrum,
                                  float* overlapSum, float* out, int32_t blockType,
                                  int32_t mixedLongLines, int32_t longLines, int32_t lines);

// Negates the odd time slots of the odd subbands among the first (lines + 17) / 18.
void InvertOddSubbands(float* out, int32_t lines);

}  // namespace yumekaze::decoder

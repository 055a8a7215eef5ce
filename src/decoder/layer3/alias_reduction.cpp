// Alias-reduction butterflies of ISO/IEC 11172-3 (2.4.3.4.10.2).
#include "decoder/layer3/alias_reduction.h"

namespace yumekaze::decoder {
namespace {

template <typename Arithmetic>
void Butterflies(const Layer3Tables& tables, float* spectrum, int32_t boundaries) {
  for (int32_t k = 1; k <= boundaries; ++k) {
    float* upper = spectrum + 18 * k;
    for (int i = 0; i < 8; ++i) {
      const Arithmetic a = upper[-1 - i];
      const Arithmetic b = upper[i];
      const Arithmetic cs = tables.AliasCs[i];
      const Arithmetic ca = tables.AliasCa[i];
      upper[-1 - i] = static_cast<float>(a * cs - b * ca);
      upper[i] = static_cast<float>(b * cs + a * ca);
    }
  }
}

}  // namespace

void AliasReduceX87(const Layer3Tables& tables, float* spectrum, int32_t boundaries) {
  Butterflies<double>(tables, spectrum, boundaries);
}

void AliasReducePacked(const Layer3Tables& tables, float* spectrum, int32_t boundaries) {
  Butterflies<float>(tables, spectrum, boundaries);
}

int32_t AliasBoundaries(int32_t nonzeroLines, bool mixedBlock) {
  if (mixedBlock) return 1;
  const int32_t boundaries = (nonzeroLines + 7) / 18;
  return boundaries > 31 ? 31 : boundaries;
}

}  // namespace yumekaze::decoder

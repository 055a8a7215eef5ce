// Detection of the processor's instruction-set extensions as CpuFeatureFlags.
#pragma once

#include <cstdint>

namespace yumekaze::decoder {

// The raw CPUID words the flag word is derived from.
struct CpuidWords {
  bool HasCpuid;
  uint32_t VendorEcx;  // leaf 0: the last four characters of the vendor ID
  uint32_t Leaf1Eax;
  uint32_t Leaf1Edx;
  bool HasExtendedLeaf;  // leaf 0x80000000 reports 0x80000001
  uint32_t ExtendedEdx;  // leaf 0x80000001
  uint32_t Leaf7Ebx;     // leaf 7, sub-leaf 0 (AVX2 in bit 5)
  uint32_t Leaf1Ecx;     // FMA in bit 12, OSXSAVE in bit 27, AVX in bit 28
  bool OsSavesAvx;       // XCR0 enables the SSE and AVX state
};

// The flag word for these CPUID words (an x87 FPU is assumed present).
uint32_t CpuFlagsFromCpuid(const CpuidWords& words);

// The TMP3CpuCapabilities set (bits 0..6: mccMMX, mcc3DNow, mccKNI, mccE3DNow, mccCMOV, mccSSE2,
// mccAVX2) to flag bits, and back. mccAVX2 stands for AVX2 and FMA together: its forms need both.
uint32_t CapabilitySetToFlags(uint32_t capabilitySet);
uint32_t FlagsToCapabilitySet(uint32_t flags);

}  // namespace yumekaze::decoder

// CPU flag word from CPUID words, the published capability set mapping, and the live detection.
#include "decoder/cpu_capabilities.h"

#include <gtest/gtest.h>

#include "decoder/decoder.h"

namespace yumekaze::testing {
namespace {

using decoder::CpuFlagsFromCpuid;
using decoder::CpuidWords;

constexpr uint32_t kEcxIntel = 0x6C65746E;  // "ntel"
constexpr uint32_t kEcxAmd = 0x444D4163;    // "cAMD"

TEST(CpuCapabilities, VendorFamilyAndFeatureBits) {
  CpuidWords amdK7{};
  amdK7.HasCpuid = true;
  amdK7.VendorEcx = kEcxAmd;
  amdK7.Leaf1Eax = 0x0622;
  amdK7.Leaf1Edx = (1u << 23) | (1u << 15);
  amdK7.HasExtendedLeaf = true;
  amdK7.ExtendedEdx = (1u << 31) | (1u << 30) | (1u << 22);
  EXPECT_EQ(CpuFlagsFromCpuid(amdK7), decoder::kCpuFpu | 0x200u | 0x400000u | decoder::kCpuMMX |
                                          decoder::kCpu3DNow | decoder::kCpuE3DNow |
                                          decoder::kCpuMMXExt | decoder::kCpuCMOV);

  CpuidWords pentium3{};
  pentium3.HasCpuid = true;
  pentium3.VendorEcx = kEcxIntel;
  pentium3.Leaf1Eax = 0x0672;
  pentium3.Leaf1Edx = (1u << 23) | (1u << 25) | (1u << 15);
  EXPECT_EQ(CpuFlagsFromCpuid(pentium3), decoder::kCpuFpu | 0x100u | 0x400000u | decoder::kCpuMMX |
                                             decoder::kCpuSSE | decoder::kCpuMMXExt |
                                             decoder::kCpuCMOV);
}

TEST(CpuCapabilities, A486ReportsNoFeatureBitsAndOtherVendorsTheirOwnBit) {
  CpuidWords i486{};
  i486.HasCpuid = true;
  i486.VendorEcx = kEcxIntel;
  i486.Leaf1Eax = 0x0400;
  i486.Leaf1Edx = 0xFFFFFFFF;
  i486.HasExtendedLeaf = true;
  i486.ExtendedEdx = 0xFFFFFFFF;
  EXPECT_EQ(CpuFlagsFromCpuid(i486), decoder::kCpuFpu | 0x100u | 0x100000u);
  CpuidWords other{};
  other.HasCpuid = true;
  other.VendorEcx = 0x12345678;
  other.Leaf1Eax = 0x0500;
  EXPECT_EQ(CpuFlagsFromCpuid(other), decoder::kCpuFpu | 0x8000u | 0x200000u);
}

TEST(CpuCapabilities, AvxFeaturesNeedTheOperatingSystemsState) {
  CpuidWords modern{};
  modern.HasCpuid = true;
  modern.VendorEcx = kEcxIntel;
  modern.Leaf1Eax = 0x0F00;
  modern.Leaf1Edx = (1u << 25) | (1u << 26);
  modern.Leaf1Ecx = (1u << 12) | (1u << 27) | (1u << 28);
  modern.Leaf7Ebx = 1u << 5;
  EXPECT_EQ(CpuFlagsFromCpuid(modern) & (decoder::kCpuAVX2 | decoder::kCpuFMA), 0u);
  modern.OsSavesAvx = true;
  const uint32_t flags = CpuFlagsFromCpuid(modern);
  EXPECT_NE(flags & decoder::kCpuAVX2, 0u);
  EXPECT_NE(flags & decoder::kCpuFMA, 0u);
  EXPECT_NE(flags & decoder::kCpuSSE2, 0u);
}

TEST(CpuCapabilities, CapabilitySetMapsBitsThreeAndFourCrosswise) {
  EXPECT_EQ(decoder::CapabilitySetToFlags(0x08), decoder::kCpuE3DNow);
  EXPECT_EQ(decoder::CapabilitySetToFlags(0x10), decoder::kCpuCMOV);
  EXPECT_EQ(decoder::CapabilitySetToFlags(0x1F), 0x3Eu);
  for (uint32_t set = 0; set < 32; ++set) {
    EXPECT_EQ(decoder::FlagsToCapabilitySet(decoder::CapabilitySetToFlags(set)), set);
  }
}

TEST(CpuCapabilities, DetectionReportsTheFpuAndIsCached) {
  const uint32_t flags = decoder::GetCpuCapabilities();
  EXPECT_NE(flags & decoder::kCpuFpu, 0u);
#if defined(__x86_64__)
  EXPECT_NE(flags & decoder::kCpuSSE, 0u);
  EXPECT_NE(flags & decoder::kCpuSSE2, 0u);
  EXPECT_NE(flags & decoder::kCpuCMOV, 0u);
#endif
  EXPECT_EQ(decoder::GetCpuCapabilities(), flags);
}

}  // namespace
}  // namespace yumekaze::testing

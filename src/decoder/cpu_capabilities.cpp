// CPU capability detection through CPUID. On x86-64 an FPU, CPUID and operating-system support for
// SSE are always present, so only the CPUID words decide; other processors report the FPU alone.
#include "decoder/cpu_capabilities.h"

#include <atomic>

#include "decoder/decoder.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace yumekaze::decoder {
namespace {

constexpr uint32_t kVendorIntel = 0x100;
constexpr uint32_t kVendorAmd = 0x200;
constexpr uint32_t kVendorCyrix = 0x400;
constexpr uint32_t kVendorCentaur = 0x800;
constexpr uint32_t kVendorOther = 0x8000;
constexpr uint32_t kFamily4 = 0x100000;
constexpr uint32_t kFamily5 = 0x200000;
constexpr uint32_t kFamily6OrLater = 0x400000;

// Last four characters of the vendor ID as CPUID leaf 0 returns them in ECX.
constexpr uint32_t VendorTail(const char (&text)[5]) {
  return static_cast<uint32_t>(text[0]) | static_cast<uint32_t>(text[1]) << 8 |
         static_cast<uint32_t>(text[2]) << 16 | static_cast<uint32_t>(text[3]) << 24;
}

constexpr bool Bit(uint32_t word, int bit) { return ((word >> bit) & 1u) != 0; }

std::atomic<uint32_t> cachedFlags{0};

#if defined(__x86_64__) || defined(__i386__)
CpuidWords ReadCpuid() {
  CpuidWords words{};
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (__get_cpuid(0, &eax, &ebx, &ecx, &edx) == 0) return words;
  words.HasCpuid = true;
  words.VendorEcx = ecx;
  const unsigned maxLeaf = eax;
  if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) != 0) {
    words.Leaf1Eax = eax;
    words.Leaf1Ecx = ecx;
    words.Leaf1Edx = edx;
  }
  if (maxLeaf >= 7) {
    __cpuid_count(7, 0, eax, ebx, ecx, edx);
    words.Leaf7Ebx = ebx;
  }
  if (Bit(words.Leaf1Ecx, 27)) {
    unsigned xcr0Low = 0, xcr0High = 0;
    __asm__("xgetbv" : "=a"(xcr0Low), "=d"(xcr0High) : "c"(0));
    words.OsSavesAvx = (xcr0Low & 0x6u) == 0x6u;
  }
  // Leaf 0x80000001 only when the highest extended leaf reaches it.
  const unsigned maxExtended = __get_cpuid_max(0x80000000u, nullptr);
  if (maxExtended >= 0x80000001u) {
    __cpuid(0x80000001u, eax, ebx, ecx, edx);
    words.HasExtendedLeaf = true;
    words.ExtendedEdx = edx;
  }
  return words;
}

uint32_t Detect() { return CpuFlagsFromCpuid(ReadCpuid()); }
#else
uint32_t Detect() { return kCpuFpu; }
#endif

}  // namespace

uint32_t CpuFlagsFromCpuid(const CpuidWords& words) {
  uint32_t flags = kCpuFpu;
  if (!words.HasCpuid) return flags;
  if (words.VendorEcx == VendorTail("ntel")) {
    flags |= kVendorIntel;
  } else if (words.VendorEcx == VendorTail("cAMD")) {
    flags |= kVendorAmd;
  } else if (words.VendorEcx == VendorTail("tead")) {
    flags |= kVendorCyrix;
  } else if (words.VendorEcx == VendorTail("auls")) {
    flags |= kVendorCentaur;
  } else {
    flags |= kVendorOther;
  }
  // Family plus processor type, taken as one byte.
  const uint32_t family = (words.Leaf1Eax >> 8) & 0xFF;
  if (family == 4) return flags | kFamily4;  // no feature bits for a 486
  flags |= family == 5 ? kFamily5 : kFamily6OrLater;
  if (words.HasExtendedLeaf) {
    const uint32_t edx = words.ExtendedEdx;
    if (Bit(edx, 31)) flags |= kCpu3DNow;
    if (Bit(edx, 15)) flags |= kCpuCMOV;
    if (Bit(edx, 30)) flags |= kCpuE3DNow;
    if (Bit(edx, 22)) flags |= kCpuMMXExt;
  }
  const uint32_t edx = words.Leaf1Edx;
  if (Bit(edx, 23)) flags |= kCpuMMX;
  if (Bit(edx, 15)) flags |= kCpuCMOV;
  if (Bit(edx, 25)) flags |= kCpuMMXExt | kCpuSSE;
  if (Bit(edx, 26)) flags |= kCpuSSE2;
  const bool avxUsable = Bit(words.Leaf1Ecx, 28) && words.OsSavesAvx;
  if (avxUsable && Bit(words.Leaf7Ebx, 5)) flags |= kCpuAVX2;
  if (avxUsable && Bit(words.Leaf1Ecx, 12)) flags |= kCpuFMA;
  return flags;
}

uint32_t CapabilitySetToFlags(uint32_t capabilitySet) {
  uint32_t flags = 0;
  if (capabilitySet & 0x01) flags |= kCpuMMX;
  if (capabilitySet & 0x02) flags |= kCpu3DNow;
  if (capabilitySet & 0x04) flags |= kCpuSSE;
  if (capabilitySet & 0x08) flags |= kCpuE3DNow;
  if (capabilitySet & 0x10) flags |= kCpuCMOV;
  if (capabilitySet & 0x20) flags |= kCpuSSE2;
  if (capabilitySet & 0x40) flags |= kCpuAVX2 | kCpuFMA;
  return flags;
}

uint32_t FlagsToCapabilitySet(uint32_t flags) {
  uint32_t capabilitySet = 0;
  if (flags & kCpuMMX) capabilitySet |= 0x01;
  if (flags & kCpu3DNow) capabilitySet |= 0x02;
  if (flags & kCpuSSE) capabilitySet |= 0x04;
  if (flags & kCpuE3DNow) capabilitySet |= 0x08;
  if (flags & kCpuCMOV) capabilitySet |= 0x10;
  if (flags & kCpuSSE2) capabilitySet |= 0x20;
  if ((flags & (kCpuAVX2 | kCpuFMA)) == (kCpuAVX2 | kCpuFMA)) capabilitySet |= 0x40;
  return capabilitySet;
}

uint32_t GetCpuCapabilities() {
  uint32_t flags = cachedFlags.load(std::memory_order_relaxed);
  if (flags == 0) {
    flags = Detect();
    cachedFlags.store(flags, std::memory_order_relaxed);
  }
  return flags;
}

}  // namespace yumekaze::decoder

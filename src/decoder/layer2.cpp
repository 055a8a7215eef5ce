// Layer II: bit allocation, scale factor selection, scale factors and grouped or plain samples
// of the 36 time slots, dequantised into SubbandSamples.
#include <algorithm>
#include <cstring>

#include "decoder/decoder_setup.h"
#include "decoder/decoder_state.h"
#include "decoder/frame_header.h"
#include "decoder/layer12.h"
#include "decoder/layer12_frame.h"
#include "decoder/layer12_tables.h"
#include "decoder/tables/tables.h"

namespace yumekaze::decoder {
namespace {

constexpr int32_t kFieldWidths[4] = {4, 4, 3, 2};
constexpr int32_t kMaxEntries = 64;
constexpr int32_t kJointOffset = 18;  // class code of an entry pair sharing its samples

// Indices into Layer2AllocTables: a, b, c, d of MPEG-1 and the one of MPEG-2/2.5.
constexpr int32_t kTableA = 0;
constexpr int32_t kTableB = 1;
constexpr int32_t kTableC = 2;
constexpr int32_t kTableD = 3;
constexpr int32_t kTableLsf = 4;
constexpr int32_t kForbiddenBitrate = 15;

// Per-frame work arrays, one slot per entry.
struct Layer2Frame {
  uint8_t classCode[kMaxEntries];  // class, or class + 18 for both entries of a joint pair
  uint8_t allocClass[kMaxEntries];
  uint8_t selection[kMaxEntries];  // scale factor selection 0..3, 4 without samples
  float requant[kMaxEntries];
  float partFactors[3][kMaxEntries];  // requantisation x scale factor, granules 0-3, 4-7, 8-11
  uint32_t skipBits;                  // bits per granule of the entries at and above SubbandLimit
};

void ReadAllocation(DecoderState& decoder, const Layer12Tables& tables, Layer2Frame& frame) {
  BitReader& bits = decoder.Bits;
  frame.skipBits = 0;
  int32_t e = 0;
  int32_t sharedCountdown = decoder.JointStereoBound;
  for (int32_t g = 0; g < 4; ++g) {
    for (int32_t i = 0; i < decoder.GroupSizes[g]; ++i, ++e) {
      const uint8_t quantClass = decoder.GroupClasses[g][ReadBits(bits, kFieldWidths[g])];
      frame.classCode[e] = quantClass;
      frame.allocClass[e] = quantClass;
      frame.requant[e] = tables.Layer2Factors[quantClass];
      if (e >= decoder.SubbandLimit) frame.skipBits += Layer2GranuleBits(quantClass);
      // Past the joint-stereo bound one code serves both channels of the subband. Group sizes
      // are even for two channels, so the pair stays inside the group.
      if (--sharedCountdown < 0 && e + 1 < kMaxEntries) {
        frame.allocClass[e + 1] = quantClass;
        frame.requant[e + 1] = frame.requant[e];
        frame.classCode[e] = frame.classCode[e + 1] = quantClass + kJointOffset;
        ++e;
        ++i;
      }
    }
  }
}

void ReadScaleFactors(DecoderState& decoder, const Layer12Tables& tables, Layer2Frame& frame) {
  BitReader& bits = decoder.Bits;
  const int32_t entries = decoder.AllocSubbands;
  for (int32_t e = 0; e < entries; ++e) {
    frame.selection[e] = frame.allocClass[e] ? static_cast<uint8_t>(ReadBits(bits, 2)) : 4;
  }
  const float* sf = tables.ScaleFactors;
  for (int32_t e = 0; e < entries; ++e) {
    const float f = frame.requant[e];
    float parts[3];
    switch (frame.selection[e]) {
      case 0:
        parts[0] = f * sf[ReadBits(bits, 6)];
        parts[1] = f * sf[ReadBits(bits, 6)];
        parts[2] = f * sf[ReadBits(bits, 6)];
        break;
      case 1:
        parts[0] = parts[1] = f * sf[ReadBits(bits, 6)];
        parts[2] = f * sf[ReadBits(bits, 6)];
        break;
      case 2:
        parts[0] = parts[1] = parts[2] = f * sf[ReadBits(bits, 6)];
        break;
      case 3:
        parts[0] = f * sf[ReadBits(bits, 6)];
        parts[1] = parts[2] = f * sf[ReadBits(bits, 6)];
        break;
      default:
        parts[0] = parts[1] = parts[2] = 0.0f;  // no samples, no scale factors
        break;
    }
    for (int p = 0; p < 3; ++p) frame.partFactors[p][e] = parts[p];
  }
}

// Every granule of a frame has the same layout: each entry's code sits at the same bit offset
// from the granule's start. The codes are read by offset, kind by kind, so that neither a running
// bit position nor a switch on the class chains one entry to the next.
struct GroupedField {
  uint16_t bitOffset;
  uint8_t entry;
};
struct PlainField {
  uint16_t bitOffset;
  uint8_t entry;
  uint8_t width;  // of one of the three codes
  int32_t middle;
};
// Only the counts start at zero: the lists are filled before they are read, once per frame.
struct GranuleLayout {
  GroupedField grouped[3][kMaxEntries];  // 3, 5 and 9 levels
  int32_t groupedCount[3]{};
  PlainField plain[kMaxEntries];
  int32_t plainCount = 0;
  uint8_t silent[kMaxEntries];
  int32_t silentCount = 0;
  uint32_t bits = 0;  // of one granule, the skipped entries included
};

constexpr int32_t kGroupedWidths[3] = {5, 7, 10};
constexpr int32_t kGranules = 12;
constexpr int32_t kMaxGranuleBits = kMaxEntries * 48;
// Bytes a granule read may touch past its last bit (an eight-byte load).
constexpr size_t kReadSlack = 8;

void AddField(GranuleLayout& layout, int32_t entry, int32_t quantClass, uint32_t offset) {
  const auto bitOffset = static_cast<uint16_t>(offset);
  const auto e = static_cast<uint8_t>(entry);
  const int32_t kind = quantClass == 1 ? 0 : quantClass == 2 ? 1 : quantClass == 4 ? 2 : -1;
  if (kind >= 0) {
    layout.grouped[kind][layout.groupedCount[kind]++] = {bitOffset, e};
    return;
  }
  // 7 levels in 3 bits, else 2^(c-1) - 1 levels in c - 1 bits; centred on (levels - 1) / 2.
  const int32_t width = quantClass == 3 ? 3 : quantClass - 1;
  const int32_t middle = quantClass == 3 ? 3 : (1 << (quantClass - 2)) - 1;
  layout.plain[layout.plainCount++] = {bitOffset, e, static_cast<uint8_t>(width), middle};
}

GranuleLayout LayOutGranule(const DecoderState& decoder, const Layer2Frame& frame) {
  GranuleLayout layout;
  uint32_t offset = 0;
  for (int32_t e = 0; e < decoder.SubbandLimit;) {
    const int32_t code = frame.classCode[e];
    const bool pair = code >= kJointOffset;
    const int32_t quantClass = pair ? code - kJointOffset : code;
    const int32_t entries = pair ? 2 : 1;
    for (int32_t k = 0; k < entries; ++k) {
      if (quantClass == 0) {
        layout.silent[layout.silentCount++] = static_cast<uint8_t>(e + k);
      } else {
        AddField(layout, e + k, quantClass, offset);  // a pair reads the same code twice
      }
    }
    offset += static_cast<uint32_t>(Layer2GranuleBits(quantClass));
    e += entries;
  }
  layout.bits = offset + frame.skipBits;
  return layout;
}

// `width` (1..56) bits from bit `bit` of `data`, which holds at least eight bytes from there.
inline uint64_t BitsAt(const uint8_t* data, uint64_t bit, int32_t width) {
  uint64_t word;
  std::memcpy(&word, data + (bit >> 3), sizeof word);
  return (__builtin_bswap64(word) << (bit & 7)) >> (64 - width);
}

// Writes a granule's three values times factor to slots 0, 1 and 2 of entry `out`.
inline void StoreGranule(float* out, float first, float second, float third, float factor) {
  out[0] = first * factor;
  out[64] = second * factor;
  out[128] = third * factor;
}

template <int Kind>
void ReadGrouped(const GranuleLayout& layout, const float (*digits)[3], const uint8_t* data,
                 uint64_t granuleBit, const float* factors, float* out) {
  for (int32_t i = 0; i < layout.groupedCount[Kind]; ++i) {
    const GroupedField field = layout.grouped[Kind][i];
    const float* d = digits[BitsAt(data, granuleBit + field.bitOffset, kGroupedWidths[Kind])];
    StoreGranule(out + field.entry, d[0], d[1], d[2], factors[field.entry]);
  }
}

void ReadSamples(DecoderState& decoder, const Layer12Tables& tables, const Layer2Frame& frame) {
  const GranuleLayout layout = LayOutGranule(decoder, frame);
  const BitReader& bits = decoder.Bits;
  const uint64_t firstBit = uint64_t{bits.position} * 8 - static_cast<uint64_t>(bits.bitsHeld);
  const auto startByte = static_cast<size_t>(firstBit / 8);
  const uint32_t startBit = firstBit % 8;
  // Codes past the frame's end read as zero: such a frame is read from a padded copy.
  const size_t needed = (startBit + kGranules * size_t{layout.bits}) / 8 + kReadSlack;
  const uint8_t* data = bits.data + startByte;
  alignas(8) uint8_t padded[kGranules * kMaxGranuleBits / 8 + kReadSlack + 1];
  if (startByte + needed > bits.size) {
    const size_t held = std::min(bits.size > startByte ? bits.size - startByte : 0, needed);
    std::memcpy(padded, data, held);
    std::fill(padded + held, padded + needed, uint8_t{0});
    data = padded;
  }
  for (int32_t granule = 0; granule < kGranules; ++granule) {
    const float* factors = frame.partFactors[granule / 4];
    float* out = decoder.SubbandSamples + 64 * 3 * granule;
    const uint64_t granuleBit = startBit + uint64_t{layout.bits} * static_cast<uint32_t>(granule);
    ReadGrouped<0>(layout, tables.Group3, data, granuleBit, factors, out);
    ReadGrouped<1>(layout, tables.Group5, data, granuleBit, factors, out);
    ReadGrouped<2>(layout, tables.Group9, data, granuleBit, factors, out);
    for (int32_t i = 0; i < layout.plainCount; ++i) {
      const PlainField field = layout.plain[i];
      const int32_t width = field.width;
      const uint64_t codes = BitsAt(data, granuleBit + field.bitOffset, 3 * width);
      const uint64_t mask = (uint64_t{1} << width) - 1;
      const auto first = static_cast<int32_t>(codes >> (2 * width)) - field.middle;
      const auto second = static_cast<int32_t>((codes >> width) & mask) - field.middle;
      const auto third = static_cast<int32_t>(codes & mask) - field.middle;
      StoreGranule(out + field.entry, static_cast<float>(first), static_cast<float>(second),
                   static_cast<float>(third), factors[field.entry]);
    }
    for (int32_t i = 0; i < layout.silentCount; ++i) {
      float* silent = out + layout.silent[i];
      silent[0] = silent[64] = silent[128] = 0.0f;
    }
  }
}

}  // namespace

int32_t Layer2TableFor(const MpegFrameHeader& header) {
  if (header.BitrateIndex == kForbiddenBitrate) return -1;
  if (header.VersionId == 0) return kTableLsf;
  // By the bitrate per channel, also for the bitrate and mode pairs the standard leaves out but
  // encoders write. Free format counts as a high bitrate.
  const int32_t kbps = BitrateKbps(header);
  const int32_t perChannel = header.Mode == kModeSingleChannel ? kbps : kbps / 2;
  const int32_t rate = SampleRateHz(header);
  if (kbps == 0 || perChannel > 80) return rate == 48000 ? kTableA : kTableB;
  if (perChannel >= 56) return kTableA;
  return rate == 32000 ? kTableD : kTableC;
}

bool SelectLayer2Table(DecoderState& decoder, const MpegFrameHeader& header) {
  const int32_t tableIndex = Layer2TableFor(header);
  if (tableIndex < 0) return false;
  const Layer2AllocTable& table = Layer2AllocTables[tableIndex];
  decoder.AllocSubbands = 0;
  for (int g = 0; g < 4; ++g) {
    decoder.GroupSizes[g] = table.GroupSizes[g];
    decoder.AllocSubbands += table.GroupSizes[g];
    std::copy_n(table.GroupClasses[g], 16, decoder.GroupClasses[g]);
  }
  decoder.SubbandLimit = std::min(
      ComputeSubbandLimit(decoder.FrequencyLimit, SampleRateHz(header), 0, decoder.Options),
      decoder.AllocSubbands);
  return true;
}

int32_t InitLayer2(DecoderState& decoder, const MpegFrameHeader& header, int32_t frameLength,
                   int32_t shift, uint8_t options, int32_t frequencyLimit) {
  if (!Layer12SetupServed(header, frameLength, shift, options)) return 0;
  if (header.SampleRateIndex == 3) return 0;
  if (Layer2TableFor(header) < 0) return 0;
  decoder.Options = options;
  decoder.FrequencyLimit = frequencyLimit;
  SelectLayer2Table(decoder, header);
  CompleteLayer12Setup(decoder, header, frameLength, options, SampleRateHz(header), 1152,
                       kSubbandSampleCount);
  return 1;
}

void DecodeLayer2Frame(DecoderState& decoder, MpegDecodeResult& result, const uint8_t* input,
                       size_t inputSize, uint8_t* output) {
  result = {0, 0};
  if (!ReadLayer12Header(decoder, input, inputSize, 1)) return;
  const Layer12Tables& tables = GetLayer12Tables();
  Layer2Frame frame;
  ReadAllocation(decoder, tables, frame);
  ReadScaleFactors(decoder, tables, frame);
  ReadSamples(decoder, tables, frame);
  FinishLayer12Frame(decoder, result, output, 36);
}

}  // namespace yumekaze::decoder

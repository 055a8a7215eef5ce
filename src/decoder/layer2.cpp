// Layer II: bit allocation, scale factor selection, scale factors and grouped or plain samples
// of the 36 time slots, dequantised into SubbandSamples.
#include <algorithm>

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

// The three values of one granule, before scaling.
struct Granule {
  float values[3];
};

// Reads the granule of class quantClass (1..17). Returned by value, so that it stays in registers.
inline Granule ReadGranule(BitReader& bits, const Layer12Tables& tables, int32_t quantClass) {
  switch (quantClass) {
    case 1: {
      const int8_t* digits = tables.Group3[ReadBits(bits, 5)];
      return {{static_cast<float>(digits[0]), static_cast<float>(digits[1]),
               static_cast<float>(digits[2])}};
    }
    case 2: {
      const int8_t* digits = tables.Group5[ReadBits(bits, 7)];
      return {{static_cast<float>(digits[0]), static_cast<float>(digits[1]),
               static_cast<float>(digits[2])}};
    }
    case 4: {
      const int16_t* digits = tables.Group9[ReadBits(bits, 10)];
      return {{static_cast<float>(digits[0]), static_cast<float>(digits[1]),
               static_cast<float>(digits[2])}};
    }
    default: {
      // 7 levels in 3 bits, else 2^(c-1) - 1 levels in c - 1 bits; centred on (levels - 1) / 2.
      const int32_t width = quantClass == 3 ? 3 : quantClass - 1;
      const int32_t middle = quantClass == 3 ? 3 : (1 << (quantClass - 2)) - 1;
      // The three codes follow each other: one read of up to 48 bits.
      const uint64_t codes = ReadWideBits(bits, 3 * width);
      const uint64_t mask = (uint64_t{1} << width) - 1;
      const auto first = static_cast<int32_t>(codes >> (2 * width)) - middle;
      const auto second = static_cast<int32_t>((codes >> width) & mask) - middle;
      const auto third = static_cast<int32_t>(codes & mask) - middle;
      return {{static_cast<float>(first), static_cast<float>(second), static_cast<float>(third)}};
    }
  }
}

// Writes a granule's three values times factor to slots 0, 1 and 2 of entry `out`.
inline void StoreGranule(float* out, const Granule& granule, float factor) {
  const float first = granule.values[0] * factor;
  const float second = granule.values[1] * factor;
  const float third = granule.values[2] * factor;
  out[0] = first;
  out[64] = second;
  out[128] = third;
}

void ReadSamples(DecoderState& decoder, const Layer12Tables& tables, const Layer2Frame& frame) {
  // A local copy stays in registers; the samples written below could alias the decoder's own.
  BitReader bits = decoder.Bits;
  const int32_t limit = decoder.SubbandLimit;
  for (int32_t part = 0; part < 3; ++part) {
    const float* factors = frame.partFactors[part];
    for (int32_t granule = 0; granule < 4; ++granule) {
      float* out = decoder.SubbandSamples + 64 * (12 * part + 3 * granule);
      for (int32_t e = 0; e < limit;) {
        const int32_t code = frame.classCode[e];
        if (code == 0) {
          out[e] = out[e + 64] = out[e + 128] = 0.0f;
          ++e;
        } else if (code < kJointOffset) {
          StoreGranule(out + e, ReadGranule(bits, tables, code), factors[e]);
          ++e;
        } else {
          const Granule values = code > kJointOffset
                                     ? ReadGranule(bits, tables, code - kJointOffset)
                                     : Granule{{0.0f, 0.0f, 0.0f}};
          StoreGranule(out + e, values, factors[e]);
          StoreGranule(out + e + 1, values, factors[e + 1]);
          e += 2;
        }
      }
      if (frame.skipBits) SkipBits(bits, frame.skipBits);
    }
  }
  decoder.Bits = bits;
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

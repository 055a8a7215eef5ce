// Layer I: 4-bit allocations, 6-bit scale factors and the samples of 12 time slots, dequantised
// into SubbandSamples.
#include <algorithm>
#include <iterator>

#include "decoder/decoder_setup.h"
#include "decoder/decoder_state.h"
#include "decoder/layer12.h"
#include "decoder/layer12_frame.h"
#include "decoder/layer12_tables.h"

namespace yumekaze::decoder {
namespace {

constexpr int32_t kMaxEntries = 64;
constexpr int32_t kSlots = 12;
constexpr int32_t kJointOffset = 15;  // class code of an entry pair sharing its samples
// Code 15 is a pair without samples: allocation 0 in the joint region, or the forbidden
// allocation 15 outside it (which zeroes the next entry too). Code 30, the forbidden allocation
// in the joint region, ends the slot.
constexpr int32_t kPairWithoutSamples = kJointOffset;
constexpr int32_t kEndOfSlot = 15 + kJointOffset;

struct Layer1Frame {
  uint8_t classCode[kMaxEntries];  // allocation, or allocation + 15 for a joint pair
  uint8_t allocation[kMaxEntries];
  float factor[kMaxEntries];  // requantisation factor x scale factor
  uint32_t skipBits;          // bits per slot of the entries at and above SubbandLimit
};

void ReadAllocationAndScaleFactors(DecoderState& decoder, const Layer12Tables& tables,
                                   Layer1Frame& frame) {
  BitReader& bits = decoder.Bits;
  const int32_t entries = decoder.AllocSubbands;
  frame.skipBits = 0;
  int32_t sharedCountdown = decoder.JointStereoBound;
  for (int32_t e = 0; e < entries; ++e) {
    const uint8_t allocation = static_cast<uint8_t>(ReadBits(bits, 4));
    frame.classCode[e] = allocation;
    frame.allocation[e] = allocation;
    frame.factor[e] = tables.Layer1Factors[allocation];
    if (e >= decoder.SubbandLimit && allocation) frame.skipBits += allocation + 1;
    if (--sharedCountdown < 0 && e + 1 < kMaxEntries) {
      frame.allocation[e + 1] = allocation;
      frame.factor[e + 1] = frame.factor[e];
      frame.classCode[e] = frame.classCode[e + 1] = allocation + kJointOffset;
      ++e;
    }
  }
  for (int32_t e = 0; e < entries; ++e) {
    if (frame.allocation[e]) frame.factor[e] *= tables.ScaleFactors[ReadBits(bits, 6)];
  }
}

void ReadSamples(DecoderState& decoder, const Layer1Frame& frame) {
  // A local copy stays in registers; the samples written below could alias the decoder's own.
  BitReader bits = decoder.Bits;
  const int32_t limit = decoder.SubbandLimit;
  for (int32_t slot = 0; slot < kSlots; ++slot) {
    float* out = decoder.SubbandSamples + 64 * slot;
    bool endOfSlot = false;
    for (int32_t e = 0; e < limit && !endOfSlot;) {
      const int32_t code = frame.classCode[e];
      if (code == 0) {
        out[e++] = 0.0f;
      } else if (code < kPairWithoutSamples) {
        const int32_t value = static_cast<int32_t>(ReadBits(bits, code + 1)) - ((1 << code) - 1);
        out[e] = static_cast<float>(value) * frame.factor[e];
        ++e;
      } else if (code == kPairWithoutSamples) {
        out[e] = 0.0f;
        if (e + 1 < limit) out[e + 1] = 0.0f;
        e += 2;
      } else if (code == kEndOfSlot) {
        endOfSlot = true;
      } else {
        const int32_t allocation = code - kJointOffset;
        const float value = static_cast<float>(
            static_cast<int32_t>(ReadBits(bits, allocation + 1)) - ((1 << allocation) - 1));
        out[e] = value * frame.factor[e];
        if (e + 1 < limit) out[e + 1] = value * frame.factor[e + 1];
        e += 2;
      }
    }
    if (!endOfSlot && frame.skipBits) SkipBits(bits, frame.skipBits);
  }
  decoder.Bits = bits;
}

}  // namespace

int32_t InitLayer1(DecoderState& decoder, const MpegFrameHeader& header, int32_t frameLength,
                   int32_t shift, uint8_t options, int32_t frequencyLimit) {
  if (!Layer12SetupServed(header, frameLength, shift, options)) return 0;
  decoder.FrequencyLimit = frequencyLimit;
  decoder.AllocSubbands = 32;
  // No groups in Layer I; a Layer II set-up's would be doubled again for two channels.
  std::fill(std::begin(decoder.GroupSizes), std::end(decoder.GroupSizes), 0);
  const int32_t sampleRate = SampleRateHz(header);
  decoder.SubbandLimit = std::min(ComputeSubbandLimit(frequencyLimit, sampleRate, 0, options), 32);
  CompleteLayer12Setup(decoder, header, frameLength, options, sampleRate, 384, 64 * kSlots);
  return 1;
}

void DecodeLayer1Frame(DecoderState& decoder, MpegDecodeResult& result, const uint8_t* input,
                       size_t inputSize, uint8_t* output) {
  result = {0, 0};
  if (!ReadLayer12Header(decoder, input, inputSize, 4)) return;
  Layer1Frame frame;
  ReadAllocationAndScaleFactors(decoder, GetLayer12Tables(), frame);
  ReadSamples(decoder, frame);
  FinishLayer12Frame(decoder, result, output, kSlots);
}

}  // namespace yumekaze::decoder

// Micro-benchmarks of the Layer III inner routines, each form side by side: Huffman decoding
// (reference tree walk and the fast form), requantization, alias reduction and the hybrid
// synthesis (reference, packed, SSE2, AVX2 + FMA where the processor has them).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "decoder/decoder.h"
#include "decoder/layer3/alias_reduction.h"
#include "decoder/layer3/huffman.h"
#include "decoder/layer3/hybrid_synthesis.h"
#include "decoder/layer3/layer3_simd.h"
#include "decoder/layer3/layer3_state.h"
#include "decoder/layer3/requantize.h"
#include "decoder/layer3/tables/huffman_tables.h"

namespace {

using namespace yumekaze::decoder;

const Layer3Tables& Tables() {
  static const Layer3Tables tables = [] {
    Layer3Tables t{};
    BuildLayer3Tables(t);
    return t;
  }();
  return tables;
}

bool Has(uint32_t flags) { return (GetCpuCapabilities() & flags) == flags; }

// Random bits decode as codes with the probabilities their lengths imply, which is what the
// encoder aims for.
const std::vector<uint8_t>& RandomBytes() {
  static const std::vector<uint8_t> bytes = [] {
    std::mt19937 random(1);
    std::vector<uint8_t> b(1 << 16);
    for (uint8_t& byte : b) byte = static_cast<uint8_t>(random());
    return b;
  }();
  return bytes;
}

using PairsFn = int32_t* (*)(L3BitReader&, int32_t*, int32_t, int32_t);
using QuadsFn = int32_t (*)(L3BitReader&, int32_t*, int32_t, int32_t, int32_t);

// One granule's big values (576 lines) per iteration with one table.
void HuffmanPairs(benchmark::State& state, PairsFn decode) {
  const auto& bytes = RandomBytes();
  const int32_t table = static_cast<int32_t>(state.range(0));
  int32_t lines[576];
  L3BitReader reader;
  int32_t position = 0;
  for (auto _ : state) {
    StartReader(reader, bytes.data(), static_cast<int32_t>(bytes.size()), position);
    SetEnd(reader, static_cast<int32_t>(bytes.size()));
    benchmark::DoNotOptimize(decode(reader, lines, 576, table));
    position = (position + 997) % (static_cast<int32_t>(bytes.size()) - 4096);
  }
  state.SetItemsProcessed(state.iterations() * 288);
}

// Count-1 data as encoders leave it: mostly zero quadruples, some single +-1, few more, coded
// with table A.
const std::vector<uint8_t>& Count1Bytes() {
  static const std::vector<uint8_t> bytes = [] {
    uint32_t codes[16] = {};
    int lengths[16] = {};
    for (uint32_t index = 0; index < 64; ++index) {
      const int length = kCount1TableA[index][0];
      const int value = kCount1TableA[index][1];
      lengths[value] = length;
      codes[value] = index >> (6 - length);
    }
    std::mt19937 random(6);
    std::vector<uint8_t> out;
    uint64_t pending = 0;
    int pendingBits = 0;
    auto put = [&](uint32_t value, int bits) {
      pending = (pending << bits) | value;
      pendingBits += bits;
      while (pendingBits >= 8) {
        pendingBits -= 8;
        out.push_back(static_cast<uint8_t>(pending >> pendingBits));
      }
    };
    while (out.size() < (1u << 16)) {
      const uint32_t r = random() % 100;
      const uint32_t value = r < 70 ? 0 : r < 90 ? (1u << (random() % 4)) : random() % 16;
      put(codes[value], lengths[value]);
      for (int i = 0; i < 4; ++i) {
        if ((value >> i) & 1) put(random() & 1, 1);
      }
    }
    return out;
  }();
  return bytes;
}

// 144 count-1 quadruples per iteration with table A (0) or B (1) on random bits; 2 is table A over
// encoder-like data.
void HuffmanQuads(benchmark::State& state, QuadsFn decode) {
  const auto& bytes = state.range(0) == 2 ? Count1Bytes() : RandomBytes();
  const int32_t select = static_cast<int32_t>(state.range(0) & 1);
  int32_t lines[576];
  L3BitReader reader;
  int32_t position = 0;
  for (auto _ : state) {
    StartReader(reader, bytes.data(), static_cast<int32_t>(bytes.size()), position);
    SetEnd(reader, static_cast<int32_t>(bytes.size()));
    benchmark::DoNotOptimize(decode(reader, lines, 576, 1 << 20, select));
    position = (position + 997) % (static_cast<int32_t>(bytes.size()) - 4096);
  }
  state.SetItemsProcessed(state.iterations() * 144);
}

// A long-block granule of 44.1 kHz MPEG-1: mostly small values, some large, zeros above 400.
void RequantizeGranule(benchmark::State& state, RequantizeRunFn run) {
  static const int32_t kLongWidths[22] = {4,  4,  4,  4,  4,  4,  6,  6,  8,  8,  10,
                                          12, 16, 20, 24, 28, 34, 42, 50, 54, 76, 158};
  static const int32_t kShortWidths[13] = {4, 4, 4, 4, 6, 8, 10, 12, 14, 18, 22, 30, 56};
  std::mt19937 random(2);
  std::geometric_distribution<int32_t> magnitude(0.45);
  std::vector<int32_t> quantized(576, 0);
  for (int i = 0; i < 400; ++i) {
    const int32_t v =
        random() % 50 == 0 ? 20 + static_cast<int32_t>(random() % 200) : magnitude(random);
    quantized[i] = random() % 2 ? v : -v;
  }
  std::vector<float> spectrum(576);
  std::vector<float> work(576);
  std::vector<int32_t> scalefactors(62, 2);
  GranuleSideInfo side{};
  side.GlobalGain = 150;
  RequantInfo info{};
  const RequantBands bands{kLongWidths, kShortWidths, 8};
  for (auto _ : state) {
    int32_t nonzero = 400;
    Requantize(Tables(), bands, quantized.data(), spectrum.data(), nonzero, scalefactors.data(),
               side, info, work.data(), run);
    benchmark::DoNotOptimize(spectrum.data());
  }
  state.SetItemsProcessed(state.iterations() * 400);
}

std::vector<float> RandomSpectrum(uint32_t seed) {
  std::mt19937 random(seed);
  std::normal_distribution<float> normal(0.0f, 300.0f);
  std::vector<float> values(576);
  for (float& v : values) v = normal(random);
  return values;
}

// All 31 boundaries of a long-block granule.
void AliasReduction(benchmark::State& state, AliasReduceFn reduce) {
  const std::vector<float> input = RandomSpectrum(3);
  std::vector<float> spectrum = input;
  for (auto _ : state) {
    reduce(Tables(), spectrum.data(), 31);
    benchmark::DoNotOptimize(spectrum.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * 31 * 8);
}

// One channel's granule: 32 subbands of long blocks (range 0) or of short blocks (range 2).
void Synthesis(benchmark::State& state, HybridSynthesisFn transform) {
  const int32_t blockType = static_cast<int32_t>(state.range(0));
  const std::vector<float> input = RandomSpectrum(4);
  std::vector<float> spectrum = input;
  std::vector<float> overlap = RandomSpectrum(5);
  std::vector<float> out(576);
  for (auto _ : state) {
    std::copy(input.begin(), input.end(), spectrum.begin());
    benchmark::DoNotOptimize(transform(Tables(), spectrum.data(), overlap.data(), out.data(),
                                       blockType, 0, blockType == 2 ? 0 : 576, 576, 576));
  }
  state.SetItemsProcessed(state.iterations() * 32);
}

struct Form {
  const char* name;
  uint32_t flags;  // needed by the processor
  AliasReduceFn alias;
  HybridSynthesisFn synthesis;
  RequantizeRunFn requantize;
};

std::vector<Form> Forms() {
  std::vector<Form> forms = {
      {"x87", 0, AliasReduceX87, HybridSynthesisX87, RequantizeRunReference},
      {"packed", 0, AliasReducePacked, HybridSynthesisPacked, nullptr},
  };
#ifdef YUMEKAZE_LAYER3_SIMD
  forms.push_back({"sse2", kCpuSSE2, AliasReduceSse2, HybridSynthesisSse2, RequantizeRunSse2});
  forms.push_back(
      {"avx2", kCpuAVX2 | kCpuFMA, AliasReduceAvx2, HybridSynthesisAvx2, RequantizeRunAvx2});
#endif
  return forms;
}

const bool kRegistered = [] {
  for (const auto& [name, decode] :
       {std::pair<const char*, PairsFn>{"reference", DecodePairsReference},
        {"fast", DecodePairs}}) {
    benchmark::RegisterBenchmark((std::string("Layer3HuffmanPairs/") + name).c_str(), HuffmanPairs,
                                 decode)
        ->ArgName("table")
        ->Arg(1)
        ->Arg(7)
        ->Arg(13)
        ->Arg(15)
        ->Arg(17)
        ->Arg(24);
  }
  for (const auto& [name, decode] :
       {std::pair<const char*, QuadsFn>{"reference", DecodeQuadsReference},
        {"fast", DecodeQuads}}) {
    benchmark::RegisterBenchmark((std::string("Layer3HuffmanQuads/") + name).c_str(), HuffmanQuads,
                                 decode)
        ->ArgName("table")
        ->Arg(0)
        ->Arg(1)
        ->Arg(2);
  }
  for (const Form& form : Forms()) {
    if (!Has(form.flags)) continue;
    if (form.requantize != nullptr) {
      benchmark::RegisterBenchmark((std::string("Layer3Requantize/") + form.name).c_str(),
                                   RequantizeGranule, form.requantize);
    }
    benchmark::RegisterBenchmark((std::string("Layer3AliasReduce/") + form.name).c_str(),
                                 AliasReduction, form.alias);
    benchmark::RegisterBenchmark((std::string("Layer3HybridSynthesis/") + form.name).c_str(),
                                 Synthesis, form.synthesis)
        ->ArgName("blockType")
        ->Arg(0)
        ->Arg(2);
  }
  return true;
}();

}  // namespace

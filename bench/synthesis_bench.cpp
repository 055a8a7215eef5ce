// Micro-benchmarks of the polyphase synthesis per form: the windowing of one slot (mono and one
// channel of stereo), the 32-point DCT per input layout, and a whole Layer II stereo frame of 36
// slots through OutputStereo (DCT and windowing of both channels).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "decoder/decoder.h"
#include "decoder/decoder_state.h"
#include "decoder/synthesis.h"

namespace {

using namespace yumekaze::decoder;

struct SynthesisForm {
  const char* name;
  uint32_t flags;  // CpuFeatureFlags the form needs and SelectCpuVariants is given
};

constexpr SynthesisForm kForms[] = {
    {"x87", 0},
    {"3dnow", kCpu3DNow},
    {"sse2", kCpuSSE2},
    {"avx2", kCpuSSE2 | kCpuAVX2 | kCpuFMA},
};

// A decoder state with the form's routines, or null when the processor lacks the form.
std::unique_ptr<DecoderState> StateFor(const SynthesisForm& form) {
  const uint32_t needs = form.flags & (kCpuSSE2 | kCpuAVX2 | kCpuFMA);
  if ((GetCpuCapabilities() & needs) != needs) return nullptr;
  auto decoder = std::make_unique<DecoderState>();
  SelectCpuVariants(*decoder, form.flags);
  ResetSynthesis(*decoder);
  return decoder;
}

std::vector<float> RandomValues(size_t count, float scale) {
  std::mt19937 random(3);
  std::normal_distribution<float> value(0.0f, scale);
  std::vector<float> values(count);
  for (float& v : values) v = value(random);
  return values;
}

void BM_Window(benchmark::State& state, SynthesisForm form, bool stereo) {
  const auto decoder = StateFor(form);
  if (!decoder) {
    state.SkipWithError("the processor lacks this form");
    return;
  }
  const std::vector<float> rings = RandomValues(1024, 2000.0f);
  alignas(16) uint8_t pcm[128];
  int32_t position = 0;
  for (auto _ : state) {
    if (stereo) {
      decoder->WindowPair(rings.data(), rings.data() + 512, position, pcm);
    } else {
      decoder->WindowMono(rings.data(), position, pcm);
    }
    benchmark::DoNotOptimize(pcm);
    position = (position - 32) & 511;
  }
  state.SetItemsProcessed(state.iterations() * (stereo ? 64 : 32));  // samples
}

void BM_Dct(benchmark::State& state, SynthesisForm form, DctInput layout) {
  const auto decoder = StateFor(form);
  if (!decoder) {
    state.SkipWithError("the processor lacks this form");
    return;
  }
  const std::vector<float> input = RandomValues(128, 20000.0f);
  alignas(16) float output[2][32];
  for (auto _ : state) {
    decoder->Dct(decoder->CosineTable, input.data(), 64, layout, output[0], output[1]);
    benchmark::DoNotOptimize(output);
  }
  state.SetItemsProcessed(state.iterations() * 2);  // slots
}

void BM_OutputStereoFrame(benchmark::State& state, SynthesisForm form) {
  const auto decoder = StateFor(form);
  if (!decoder) {
    state.SkipWithError("the processor lacks this form");
    return;
  }
  const std::vector<float> samples = RandomValues(kSubbandSampleCount, 3000.0f);
  std::vector<uint8_t> pcm(4608);
  for (auto _ : state) {
    OutputStereo(*decoder, samples.data(), pcm.data(), 36);
    benchmark::DoNotOptimize(pcm.data());
  }
  state.SetItemsProcessed(state.iterations() * 1152 * 2);  // samples
}

int RegisterAll() {
  for (const SynthesisForm& form : kForms) {
    const std::string suffix = std::string("/") + form.name;
    benchmark::RegisterBenchmark(("WindowMono" + suffix).c_str(), BM_Window, form, false);
    benchmark::RegisterBenchmark(("WindowStereo" + suffix).c_str(), BM_Window, form, true);
    benchmark::RegisterBenchmark(("OutputStereoFrame" + suffix).c_str(), BM_OutputStereoFrame,
                                 form);
    if (form.flags == kCpu3DNow) continue;  // the 3DNow! form uses the reference DCT
    benchmark::RegisterBenchmark(("Dct32" + suffix).c_str(), BM_Dct, form, kDctContiguous);
    benchmark::RegisterBenchmark(("Dct32Interleaved" + suffix).c_str(), BM_Dct, form, kDctLeft);
    benchmark::RegisterBenchmark(("Dct32Mix" + suffix).c_str(), BM_Dct, form, kDctMix);
    benchmark::RegisterBenchmark(("Dct32Both" + suffix).c_str(), BM_Dct, form, kDctBoth);
  }
  return 0;
}

const int registered = RegisterAll();

}  // namespace

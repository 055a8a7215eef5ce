// The header-only scan against decoding, on the same hour of audio in memory: six copies of the
// 10-minute 128 kbit/s benchmark file (bench/make_files.sh) joined together. The scan is what an
// exact duration or a seek index costs; it must stay a small fraction of decoding.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "decoder/decoder.h"
#include "decoder/decoder_state.h"
#include "decoder/frame_scan.h"

namespace {

using namespace yumekaze::decoder;

const std::vector<uint8_t>& OneHour() {
  static const std::vector<uint8_t> hour = [] {
    std::ifstream file(std::string(YUMEKAZE_BENCH_FILES) + "/cbr128.mp3", std::ios::binary);
    const std::vector<uint8_t> ten((std::istreambuf_iterator<char>(file)), {});
    std::vector<uint8_t> joined;
    for (int i = 0; i < 6 && !ten.empty(); ++i) joined.insert(joined.end(), ten.begin(), ten.end());
    return joined;
  }();
  return hour;
}

void BM_ScanOneHour(benchmark::State& state) {
  const std::vector<uint8_t>& hour = OneHour();
  if (hour.empty()) return state.SkipWithError("run bench/make_files.sh first");
  int64_t samples = 0;
  for (auto _ : state) {
    const StreamScan scan = ScanStream(hour.data(), hour.size(), nullptr);
    samples = scan.Samples;
    benchmark::DoNotOptimize(samples);
  }
  state.counters["minutes"] = static_cast<double>(samples) / 44100 / 60;
}
BENCHMARK(BM_ScanOneHour)->Unit(benchmark::kMillisecond);

void BM_DecodeOneHour(benchmark::State& state) {
  const std::vector<uint8_t>& hour = OneHour();
  if (hour.empty()) return state.SkipWithError("run bench/make_files.sh first");
  std::vector<FramePosition> frames;
  ScanStream(hour.data(), hour.size(), &frames);
  auto decoder = std::make_unique<DecoderState>();
  SelectCpuVariants(*decoder, GetCpuCapabilities());
  uint8_t pcm[4608];
  for (auto _ : state) {
    MpegFrameHeader header{};
    const uint8_t* first = hour.data() + frames.front().Offset;
    const int32_t length = DecodeFrameHeader(first, 0, header);
    InitDecoder(*decoder, header, length, 0, 0, kOptionFullBand, 24000);
    for (const FramePosition& frame : frames) {
      MpegDecodeResult result{};
      DecodeFrame(*decoder, result, hour.data() + frame.Offset, static_cast<size_t>(frame.Length),
                  pcm);
      benchmark::DoNotOptimize(pcm[0]);
    }
  }
}
BENCHMARK(BM_DecodeOneHour)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

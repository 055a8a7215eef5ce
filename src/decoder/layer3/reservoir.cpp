// Bit reservoir: compaction and appending of a frame's main data.
#include "decoder/layer3/reservoir.h"

#include <algorithm>
#include <cstring>

namespace yumekaze::decoder {
namespace {

// Keeps only the bytes a later frame may still point back to (MainDataBegin of them).
void Compact(Layer3State& state) {
  const int32_t keep = std::min(state.Frame.MainDataBegin, state.ReservoirFill);
  std::memmove(state.MainDataBuffer, state.MainDataBuffer + state.ReservoirFill - keep,
               static_cast<size_t>(keep));
  state.ReservoirFill = keep;
  state.MainDataStart = keep - state.Frame.MainDataBegin;
}

}  // namespace

bool AppendMainData(Layer3State& state, const uint8_t* data, int32_t available, int32_t size) {
  state.MainDataStart = state.ReservoirFill - state.Frame.MainDataBegin;
  if (state.ReservoirFill > kReservoirCompactThreshold) Compact(state);
  if (size < 0 || size > kMainDataBufferSize) return false;
  // Free-format frames can carry more main data than the usual headroom: compact first, and refuse
  // the frame rather than write past the buffer.
  if (state.ReservoirFill + size > kMainDataBufferSize) Compact(state);
  if (state.ReservoirFill + size > kMainDataBufferSize) return false;
  const int32_t copied = std::clamp(available, 0, size);
  uint8_t* destination = state.MainDataBuffer + state.ReservoirFill;
  if (copied > 0) std::memcpy(destination, data, static_cast<size_t>(copied));
  std::memset(destination + copied, 0, static_cast<size_t>(size - copied));
  state.ReservoirFill += size;
  return true;
}

}  // namespace yumekaze::decoder

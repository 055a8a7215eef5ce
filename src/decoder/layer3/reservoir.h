// The bit reservoir: main data of the current and earlier frames in MainDataBuffer.
#pragma once

#include <cstdint>

#include "decoder/layer3/layer3_state.h"

namespace yumekaze::decoder {

// Sets MainDataStart from the frame's MainDataBegin, compacts the reservoir when it is fuller than
// kReservoirCompactThreshold (or when the frame would not fit) and appends the frame's `size`
// main-data bytes, of which `available` can be read at `data` (the rest are appended as zeros).
// Returns false, appending nothing, when the size is negative or cannot fit the buffer.
bool AppendMainData(Layer3State& state, const uint8_t* data, int32_t available, int32_t size);

}  // namespace yumekaze::decoder

// Drives a TSoundOut the way the decode loop does: writes whatever fits, waits for room when
// the buffers are full, then flushes and waits until everything has played.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <random>
#include <span>
#include <vector>

#include "engine/sound/sound_out.h"

namespace yumekaze::platform::testing {

// `between` runs after every write with the number of bytes taken so far.
inline void PlayThrough(engine::TSoundOut& out, std::span<const uint8_t> pcm,
                        const std::function<void(std::size_t)>& between = {}) {
  std::mt19937 random(7);
  engine::TMPSimpleEvent room;
  std::size_t position = 0;
  while (position < pcm.size()) {
    // Odd-sized pieces, so buffer edges fall in the middle of a write.
    const std::size_t piece =
        std::min<std::size_t>(pcm.size() - position, 1 + random() % 9000);
    const std::size_t taken = out.Write(pcm.subspan(position, piece));
    position += taken;
    if (taken < piece) {
      room.ResetEvent();
      out.SetWaiter(&room);
      room.WaitFor(engine::kInfinite);
    }
    if (between) between(position);
  }
  out.Flush();
  out.WaitAllDone();
}

// Stereo 16-bit PCM that changes with every byte, so a lost, repeated or moved byte shows.
inline std::vector<uint8_t> TestPcm(std::size_t bytes) {
  std::vector<uint8_t> pcm(bytes);
  uint32_t state = 12345;
  for (auto& byte : pcm) {
    state = state * 1103515245 + 12345;
    byte = static_cast<uint8_t>(state >> 16);
  }
  return pcm;
}

}  // namespace yumekaze::platform::testing

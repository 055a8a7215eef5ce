// Tags that sit between or inside MPEG audio streams (files joined with their tags): their size
// at a position, so the stream parser passes over them instead of searching them for frames.
#pragma once

#include <cstddef>
#include <cstdint>

namespace yumekaze::decoder {

// Bytes a tag needs to be recognised at a position.
inline constexpr size_t kTagProbeBytes = 32;

// The size of the tag that begins at bytes (ID3v2 with its footer, an APEv2 header or footer
// block, an ID3v1 "TAG" block, a Lyrics3 block's start marker), or 0 when none does. Reads at
// most `available` bytes. An ID3v2 size may point past the data; the caller bounds it.
int64_t TagBlockSize(const uint8_t* bytes, size_t available);

}  // namespace yumekaze::decoder

// Reading fields out of tag bytes: integers, fixed-size text fields, decimal numbers, UTF-16 text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/stream/stream_reader.h"

namespace yumekaze::engine::tag_bytes {

int32_t ReadBE32(const uint8_t* p);
int32_t ReadLE32(const uint8_t* p);
// 28 bits from four bytes of 7 bits each; -1 when a byte has its top bit set.
int32_t ReadSyncSafe32(const uint8_t* p);

// Text of a fixed-size field: its bytes up to the first zero or the field's end, without trailing
// spaces and control characters (codes 0-32). Leading spaces and all other bytes stay as they are.
std::string CleanField(const uint8_t* p, size_t size);

// A decimal number written in a fixed-size text field (leading spaces and a sign allowed); 0 when
// the text is not a number.
int64_t ParseDecimal(std::string_view text);

// UTF-16 text to UTF-8, up to its first zero unit. A leading byte order mark decides the byte
// order and is dropped; without one, little_endian_default decides. Unpaired surrogates and a
// dangling odd byte become U+FFFD.
std::string Utf16ToUtf8(const uint8_t* p, size_t size, bool little_endian_default);

// Undoes ID3v2 unsynchronisation: every 0xFF 0x00 pair loses its zero.
std::string Resynchronise(std::string_view bytes);

// Reads count bytes from the reader's position in pieces no larger than its capacity; false when
// the stream ends first.
bool ReadPieces(TMPStreamReader& reader, int64_t count, std::string& out);

// Whether p holds the given characters.
bool HasBytes(const uint8_t* p, std::string_view expected);

}  // namespace yumekaze::engine::tag_bytes

// Reading fields out of tag bytes: integers, fixed-size text fields, decimal numbers, UTF-16 text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace yumekaze::engine::tag_bytes {

int32_t ReadBE32(const uint8_t* p);
int32_t ReadLE32(const uint8_t* p);

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

// Whether p holds the given characters.
bool HasBytes(const uint8_t* p, std::string_view expected);

}  // namespace yumekaze::engine::tag_bytes

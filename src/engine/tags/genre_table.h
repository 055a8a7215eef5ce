// Names of the ID3v1 genre byte.
#pragma once

#include <cstdint>
#include <string_view>

namespace yumekaze::engine {

// Entries 0-147 and 248-255 hold names; 148-247 give empty text.
std::string_view GenreName(uint8_t index);

}  // namespace yumekaze::engine

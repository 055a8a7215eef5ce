// Names of the ID3v1 genre byte.
#pragma once

#include <cstdint>
#include <string_view>

namespace yumekaze::engine {

// Entries 0-147 and 248-255 hold names; 148-247 give empty text.
std::string_view GenreName(uint8_t index);

// The name in the list other tag libraries use, for the merged genre: 0-191 hold names, 192-255
// give empty text (255 stands for no genre).
std::string_view CommonGenreName(uint8_t index);

}  // namespace yumekaze::engine

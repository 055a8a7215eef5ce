// File names as the programs show them. A name is the bytes the file system holds, which need not
// be UTF-8; files are always opened by those bytes, and only what is shown is made readable.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace yumekaze::platform {

bool IsUtf8(std::string_view bytes);
// The length of the well-formed UTF-8 sequence at bytes[at]; 0 when none starts there.
size_t Utf8SequenceLength(std::string_view bytes, size_t at);

// bytes with each maximal run that is not UTF-8 (as Unicode counts them) replaced by U+FFFD.
std::string WithReplacementCharacters(std::string_view bytes);

// The file:// URI of path, made absolute from the working directory, with every byte other than
// letters, digits, "-._~" and "/" percent-encoded: the exact name, in ASCII.
std::string FileUri(std::string_view path);

}  // namespace yumekaze::platform

// The text of M3U, M3U8 and PLS play lists: what a list's bytes name, and a list written back.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace yumekaze::engine {

enum class TMPListFormat { M3u, M3u8, Pls };

// The format a file name (or a URL's path) ends in: .m3u, .m3u8 or .pls, in any case.
std::optional<TMPListFormat> ListFormatOf(std::string_view path);

// One entry of a list: where it is, as written (or resolved, once read), and the name the list
// gives it (#EXTINF, TitleN=), empty when none.
struct TMPListEntry {
  std::string Location;
  std::string Name;
  bool operator==(const TMPListEntry&) const = default;
};

// Turns the bytes of a text that is not valid UTF-8 into UTF-8 (the legacy character set of tag
// texts); valid UTF-8 passes as it is.
using TMPTextDecoder = std::function<std::string(std::string_view bytes)>;

// The entries of a list in its order (PLS: by the numbers of its FileN= lines), names trimmed.
// A byte order mark and CR line ends are dropped. An .m3u8 and a PLS are UTF-8 and are kept as
// their bytes (a file name need not be UTF-8); a plain .m3u goes through `legacy`.
std::vector<TMPListEntry> ParsePlayListText(std::string_view bytes, TMPListFormat format,
                                            const TMPTextDecoder& legacy);

// An extended M3U8 list (#EXTM3U), each named entry with its name as its #EXTINF line.
std::string M3u8Text(const std::vector<TMPListEntry>& entries);

}  // namespace yumekaze::engine

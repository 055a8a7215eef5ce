// Reading a play list from a file or from an http(s) URL, its entries made playable.
#pragma once

#include <string>
#include <vector>

#include "engine/lists/play_list_text.h"

namespace yumekaze::engine {

struct TMPPlayList {
  bool Ok = false;  // false: the list could not be read or fetched
  std::vector<TMPListEntry> Entries;
};

// Whether ReadPlayList reads that file or URL (by its suffix).
bool IsPlayList(const std::string& path);

// Reads the list at path (file names as the file system's bytes). Entries of a list on disk may
// be absolute paths, paths relative to the list's folder (also with backslashes), file:// URIs or
// http(s) URLs of stations; they come out as absolute, normalised paths or URLs, and entries
// naming no existing file or another scheme are left out. A list given by an http(s) URL is
// fetched and gives only stations, resolved against its URL; an HLS list gives itself, which the
// player then refuses naming its type. Names are kept for stations only: a file's title comes from
// its tags.
TMPPlayList ReadPlayList(const std::string& path, const TMPTextDecoder& legacy);

}  // namespace yumekaze::engine

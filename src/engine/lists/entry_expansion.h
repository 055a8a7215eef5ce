// What the user gives to play (files, folders, play lists, station URLs) as play list entries.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "engine/lists/play_list_text.h"

namespace yumekaze::engine {

struct TMPExpandedEntries {
  std::vector<std::string> Entries;
  std::map<std::string, std::string> StationNames;  // by URL, from the lists read
  std::vector<std::string> UnreadLists;             // lists that could not be read or fetched
  std::vector<std::string> EmptyFolders;            // folders without MPEG audio files
};

// In the order given: folders give their MPEG audio files (.mp3, .mp2, .mp1, .mpga), recursively,
// in natural path order ("2" before "10"); play lists give their entries (ReadPlayList); other
// files are made absolute and stations are taken as they are. Names are the file system's bytes.
TMPExpandedEntries ExpandToEntries(const std::vector<std::string>& paths,
                                   const TMPTextDecoder& legacy);

// "2" before "10": runs of digits compare by their value, the rest byte by byte with ASCII letters
// folded (UTF-8's byte order is its code points' order).
bool NaturalLess(std::string_view a, std::string_view b);

}  // namespace yumekaze::engine

#include "engine/tags/genre_table.h"

#include <array>
#include <utility>

namespace yumekaze::engine {

namespace {
// Indexed by the ID3v1 genre byte: the standard list up to 147, then the common Japanese
// additions at the top of the range. The spellings ("Psychadelic", "Rhysmic Soul", "Blank Metal",
// ...) are the established ones of this table and stay as they are.
constexpr std::array<std::string_view, 148> kGenres = {
    "Blues",                    // 0
    "Classic Rock",             // 1
    "Country",                  // 2
    "Dance",                    // 3
    "Disco",                    // 4
    "Funk",                     // 5
    "Grunge",                   // 6
    "Hip-Hop",                  // 7
    "Jazz",                     // 8
    "Metal",                    // 9
    "New Age",                  // 10
    "Oldies",                   // 11
    "Other",                    // 12
    "Pop",                      // 13
    "R&B",                      // 14
    "Rap",                      // 15
    "Reggae",                   // 16
    "Rock",                     // 17
    "Techno",                   // 18
    "Industrial",               // 19
    "Alternative",              // 20
    "Ska",                      // 21
    "Death Metal",              // 22
    "Pranks",                   // 23
    "Soundtrack",               // 24
    "Euro-Techno",              // 25
    "Ambient",                  // 26
    "Trip-Hop",                 // 27
    "Vocal",                    // 28
    "Jazz+Funk",                // 29
    "Fusion",                   // 30
    "Trance",                   // 31
    "Classical",                // 32
    "Instrumental",             // 33
    "Acid",                     // 34
    "House",                    // 35
    "Game",                     // 36
    "Sound Clip",               // 37
    "Gospel",                   // 38
    "Noise",                    // 39
    "AlternRock",               // 40
    "Bass",                     // 41
    "Soul",                     // 42
    "Punk",                     // 43
    "Space",                    // 44
    "Meditative",               // 45
    "Instrumental Pop",         // 46
    "Instrumental Rock",        // 47
    "Ethnic",                   // 48
    "Gothic",                   // 49
    "Darkwave",                 // 50
    "Techno-Industrial",        // 51
    "Electronic",               // 52
    "Pop-Folk",                 // 53
    "Eurodance",                // 54
    "Dream",                    // 55
    "Southern Rock",            // 56
    "Comedy",                   // 57
    "Cult",                     // 58
    "Gangsta",                  // 59
    "Top 40",                   // 60
    "Christian Rap",            // 61
    "Pop/Funk",                 // 62
    "Jungle",                   // 63
    "Native American",          // 64
    "Cabaret",                  // 65
    "New Wave",                 // 66
    "Psychadelic",              // 67
    "Rave",                     // 68
    "Showtunes",                // 69
    "Trailer",                  // 70
    "Lo-Fi",                    // 71
    "Tribal",                   // 72
    "Acid Punk",                // 73
    "Acid Jazz",                // 74
    "Polka",                    // 75
    "Retro",                    // 76
    "Musical",                  // 77
    "Rock & Roll",              // 78
    "Hard Rock",                // 79
    "Folk",                     // 80
    "Folk/Rock",                // 81
    "National Folk",            // 82
    "Swing",                    // 83
    "Fast Fusion",              // 84
    "Bebob",                    // 85
    "Latin",                    // 86
    "Revival",                  // 87
    "Celtic",                   // 88
    "Bluegrass",                // 89
    "Avantgarde",               // 90
    "Gothic Rock",              // 91
    "Progressive Rock",         // 92
    "Psychedelic Rock",         // 93
    "Symphonic Rock",           // 94
    "Slow Rock",                // 95
    "Big Band",                 // 96
    "Chorus",                   // 97
    "Easy Listening",           // 98
    "Acoustic",                 // 99
    "Humour",                   // 100
    "Speech",                   // 101
    "Chanson",                  // 102
    "Opera",                    // 103
    "Chamber Music",            // 104
    "Sonata",                   // 105
    "Symphony",                 // 106
    "Booty Bass",               // 107
    "Primus",                   // 108
    "Porn Groove",              // 109
    "Satire",                   // 110
    "Slow Jam",                 // 111
    "Club",                     // 112
    "Tango",                    // 113
    "Samba",                    // 114
    "Folklore",                 // 115
    "Ballad",                   // 116
    "Power Ballad",             // 117
    "Rhysmic Soul",             // 118
    "Freestyle",                // 119
    "Duet",                     // 120
    "Punk Rock",                // 121
    "Drum Solo",                // 122
    "Acapella",                 // 123
    "Euro-House",               // 124
    "Dance-Hall",               // 125
    "Goa",                      // 126
    "Drum & Bass",              // 127
    "Hardcore",                 // 128
    "Club-House",               // 129
    "Terror",                   // 130
    "Indie",                    // 131
    "BritPop",                  // 132
    "Negerpunk",                // 133
    "Polsk Punk",               // 134
    "Beat",                     // 135
    "Christian Gangsta Rap",    // 136
    "Heavy Metal",              // 137
    "Blank Metal",              // 138
    "Crossover",                // 139
    "Contemporrary Christian",  // 140
    "Christian Rock",           // 141
    "Merengue",                 // 142
    "Salsa",                    // 143
    "Trash Metal",              // 144
    "Anime",                    // 145
    "JPop",                     // 146
    "Synthpop",                 // 147
};

constexpr std::array<std::string_view, 8> kJapaneseGenres = {
    "Heavy Rock(J)",     // 248
    "Doom Rock(J)",      // 249
    "J-POP(J)",          // 250
    "Seiyu(J)",          // 251
    "Tecno Ambient(J)",  // 252
    "Moemoe(J)",         // 253
    "Tokusatsu(J)",      // 254
    "Anime(J)",          // 255
};

// The list other tag libraries share for the merged genre: the table above with its misspellings
// corrected, 128 and 129 in their first order and 133 renamed, then names for 148-191.
constexpr std::pair<uint8_t, std::string_view> kCorrections[] = {
    {40, "Alt. Rock"},      {59, "Gangsta Rap"},
    {67, "Psychedelic"},    {81, "Folk-Rock"},
    {84, "Fast-Fusion"},    {85, "Bebop"},
    {118, "Rhythmic Soul"}, {123, "A Cappella"},
    {125, "Dance Hall"},    {128, "Club-House"},
    {129, "Hardcore"},      {133, "Afro-Punk"},
    {138, "Black Metal"},   {140, "Contemporary Christian"},
    {144, "Thrash Metal"},
};

constexpr std::array<std::string_view, 44> kLaterGenres = {
    "Abstract",             // 148
    "Art Rock",             // 149
    "Baroque",              // 150
    "Bhangra",              // 151
    "Big Beat",             // 152
    "Breakbeat",            // 153
    "Chillout",             // 154
    "Downtempo",            // 155
    "Dub",                  // 156
    "EBM",                  // 157
    "Eclectic",             // 158
    "Electro",              // 159
    "Electroclash",         // 160
    "Emo",                  // 161
    "Experimental",         // 162
    "Garage",               // 163
    "Global",               // 164
    "IDM",                  // 165
    "Illbient",             // 166
    "Industro-Goth",        // 167
    "Jam Band",             // 168
    "Krautrock",            // 169
    "Leftfield",            // 170
    "Lounge",               // 171
    "Math Rock",            // 172
    "New Romantic",         // 173
    "Nu-Breakz",            // 174
    "Post-Punk",            // 175
    "Post-Rock",            // 176
    "Psytrance",            // 177
    "Shoegaze",             // 178
    "Space Rock",           // 179
    "Trop Rock",            // 180
    "World Music",          // 181
    "Neoclassical",         // 182
    "Audiobook",            // 183
    "Audio Theatre",        // 184
    "Neue Deutsche Welle",  // 185
    "Podcast",              // 186
    "Indie Rock",           // 187
    "G-Funk",               // 188
    "Dubstep",              // 189
    "Garage Rock",          // 190
    "Psybient",             // 191
};

}  // namespace

std::string_view GenreName(uint8_t index) {
  if (index < kGenres.size()) return kGenres[index];
  if (index >= 248) return kJapaneseGenres[index - 248];
  return {};
}

std::string_view CommonGenreName(uint8_t index) {
  for (const auto& [number, name] : kCorrections) {
    if (number == index) return name;
  }
  if (index < kGenres.size()) return kGenres[index];
  if (index - kGenres.size() < kLaterGenres.size()) return kLaterGenres[index - kGenres.size()];
  return {};
}

}  // namespace yumekaze::engine

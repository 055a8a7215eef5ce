// Prints what TagLib reads from MPEG files, one JSON object per file, with the keys of
// `yumekaze-cli info --json` that TagLib has: the independent reference of the tag tests and of
// the tag-reading benchmark. TagLib reads 8-bit text as ISO-8859-1.
#include <taglib/apetag.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tpropertymap.h>

#include <cstdio>
#include <string>

namespace {

std::string Json(const TagLib::String& text) {
  const std::string utf8 = text.to8Bit(true);
  std::string out = "\"";
  for (const char c : utf8) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string Property(const TagLib::PropertyMap& properties, const char* key) {
  const auto found = properties.find(key);
  if (found == properties.end() || found->second.isEmpty()) return {};
  return Json(found->second.toString(" / "));
}

// A property from the first of ID3v2, APE and ID3v1 that has it, several values joined " / ".
// Each tag class is asked itself: TagLib 1.x does not dispatch properties() virtually.
std::string Property(TagLib::MPEG::File& file, const char* key) {
  std::string value;
  if (file.hasID3v2Tag()) value = Property(file.ID3v2Tag()->properties(), key);
  if (value.empty() && file.hasAPETag()) value = Property(file.APETag()->properties(), key);
  if (value.empty() && file.hasID3v1Tag()) value = Property(file.ID3v1Tag()->properties(), key);
  return value.empty() ? "\"\"" : value;
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    TagLib::MPEG::File file(argv[i], /*readProperties=*/false);
    const TagLib::Tag* tag = file.isValid() ? file.tag() : nullptr;
    if (tag == nullptr) {
      std::printf("{\"file\":%s,\"error\":\"unreadable\"}\n", Json(argv[i]).c_str());
      continue;
    }
    std::printf(
        "{\"file\":%s,\"title\":%s,\"artist\":%s,\"album\":%s,\"comment\":%s,\"genre\":%s,"
        "\"year\":%u,\"track\":%u,\"album_artist\":%s,\"disc\":%s,"
        "\"replaygain_track_gain\":%s,\"replaygain_album_gain\":%s}\n",
        Json(argv[i]).c_str(), Property(file, "TITLE").c_str(), Property(file, "ARTIST").c_str(),
        Property(file, "ALBUM").c_str(), Property(file, "COMMENT").c_str(),
        Property(file, "GENRE").c_str(), tag->year(), tag->track(),
        Property(file, "ALBUMARTIST").c_str(), Property(file, "DISCNUMBER").c_str(),
        Property(file, "REPLAYGAIN_TRACK_GAIN").c_str(),
        Property(file, "REPLAYGAIN_ALBUM_GAIN").c_str());
  }
  return 0;
}

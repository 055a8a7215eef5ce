// What one ID3v2 frame says: text in its encoding (several values joined by kValueSeparator), comments and
// user texts by description, URLs, the picture's description and relative volume (RVA2).
#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

#include "engine/tags/id3v2_frames.h"
#include "engine/tags/picture_header.h"
#include "engine/tags/tag_bytes.h"

namespace yumekaze::engine::id3v2 {

namespace {

constexpr uint8_t kLatin1 = 0;
constexpr uint8_t kUtf16Bom = 1;
constexpr uint8_t kUtf16BE = 2;

// The frame kind behind a 2.2 identifier where the two versions differ in more than the name.
std::string_view Kind(std::string_view id) {
  if (id == "COM") return "COMM";
  if (id == "ULT") return "USLT";
  if (id == "TXX") return "TXXX";
  if (id == "WXX") return "WXXX";
  if (id == "PIC") return "APIC";
  return id;
}

// The string of the given encoding at pos, up to its terminator or the data's end; pos moves
// past the terminator. UTF-16 becomes UTF-8; other encodings keep their bytes.
std::string TakeString(std::string_view data, size_t& pos, uint8_t encoding) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(data.data());
  if (encoding == kUtf16Bom || encoding == kUtf16BE) {
    size_t end = pos;
    while (end + 1 < data.size() && (bytes[end] != 0 || bytes[end + 1] != 0)) end += 2;
    const size_t stop = std::min(end, data.size());
    // Without its byte order mark such text comes from little-endian writers.
    std::string text = tag_bytes::Utf16ToUtf8(bytes + pos, stop - pos, encoding == kUtf16Bom);
    pos = std::min(end + 2, data.size());
    return text;
  }
  size_t end = data.find('\0', pos);
  if (end == std::string_view::npos) end = data.size();
  std::string text(data.substr(pos, end - pos));
  pos = std::min(end + 1, data.size());
  return text;
}

// Every string from pos to the end, joined by kValueSeparator; empty strings (terminators) are dropped.
std::string TakeValues(std::string_view data, size_t pos, uint8_t encoding) {
  std::string joined;
  while (pos < data.size()) {
    const std::string value = TakeString(data, pos, encoding);
    if (value.empty()) continue;
    if (!joined.empty()) joined += kValueSeparator;
    joined += value;
  }
  return joined;
}

std::string Keyed(std::string_view kind, const std::string& description) {
  return description.empty() ? std::string(kind) : std::string(kind) + ":" + description;
}

constexpr int kFrontCover = 3;

void AddPicture(std::string_view id, std::string_view data, TFrameResults& results) {
  if (data.empty()) return;
  const uint8_t encoding = static_cast<uint8_t>(data[0]);
  size_t pos = 1;
  std::string mime;
  if (id == "PIC") {
    // 2.2: a three-letter image format instead of a MIME type.
    if (data.size() < 5) return;
    std::string format(data.substr(1, 3));
    for (char& c : format) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    mime = "image/" + std::string(format == "jpg" ? "jpeg" : format);
    pos = 4;
  } else {
    const size_t end = data.find('\0', 1);
    if (end == std::string_view::npos) return;
    mime = std::string(data.substr(1, end - 1));
    pos = end + 1;
  }
  if (pos >= data.size()) return;
  const int type = static_cast<uint8_t>(data[pos++]);
  TakeString(data, pos, encoding);  // the description
  const int64_t size = static_cast<int64_t>(data.size() - pos);
  char line[64];
  std::snprintf(line, sizeof line, ", %s, %lld bytes", PictureTypeName(type),
                static_cast<long long>(size));
  results.lines.push_back(std::string(id) + "=" + mime + line);
  // The first front cover, else the first picture.
  if (!results.picture.present || (results.picture.type != kFrontCover && type == kFrontCover)) {
    results.picture = DescribePicture(type, mime, data.substr(pos));
  }
}

// RVA2: an identification, then per channel its type, a gain in 1/512 dB and a peak of a given
// number of bits. Only the master volume (type 1) counts.
void AddRelativeVolume(std::string_view data, TFrameResults& results) {
  size_t pos = 0;
  const std::string identification = TakeString(data, pos, kLatin1);
  const auto* bytes = reinterpret_cast<const uint8_t*>(data.data());
  while (pos + 4 <= data.size()) {
    const uint8_t channel = bytes[pos];
    const double gain = static_cast<int16_t>(bytes[pos + 1] << 8 | bytes[pos + 2]) / 512.0;
    const size_t peak_bits = bytes[pos + 3];
    const size_t peak_bytes = (peak_bits + 7) / 8;
    pos += 4;
    if (pos + peak_bytes > data.size()) return;
    if (channel != 1) {
      pos += peak_bytes;
      continue;
    }
    // Peaks wider than 64 bits are read from their top bytes.
    double peak = 0;
    for (size_t i = 0; i < peak_bytes; ++i) peak = peak * 256 + bytes[pos + i];
    if (peak_bits > 0) peak /= std::ldexp(1.0, static_cast<int>(peak_bits) - 1);
    pos += peak_bytes;
    char line[96];
    std::snprintf(line, sizeof line, "=%.2f dB, peak %.6f", gain, peak);
    results.lines.push_back("RVA2:" + identification + line);
    const bool album = strcasecmp(identification.c_str(), "album") == 0;
    if (!album && strcasecmp(identification.c_str(), "track") != 0) return;
    (album ? results.rva2.album_gain : results.rva2.track_gain) = gain;
    if (peak_bits > 0) (album ? results.rva2.album_peak : results.rva2.track_peak) = peak;
    return;
  }
}

}  // namespace

void AddFrame(std::string_view id, std::string_view data, TFrameResults& results) {
  const std::string_view kind = Kind(id);
  const uint8_t encoding = data.empty() ? kLatin1 : static_cast<uint8_t>(data[0]);
  std::string key(id);
  std::string value;
  if (kind == "APIC") return AddPicture(id, data, results);
  if (kind == "RVA2") return AddRelativeVolume(data, results);
  if (kind == "TXXX" || kind == "WXXX") {
    size_t pos = 1;
    const std::string description = data.empty() ? "" : TakeString(data, pos, encoding);
    key = Keyed(id, description);
    // URLs are always ISO-8859-1.
    value = data.empty() ? "" : TakeValues(data, pos, kind == "WXXX" ? kLatin1 : encoding);
  } else if (kind == "COMM" || kind == "USLT") {
    size_t pos = 4;  // encoding, language
    if (data.size() >= pos) {
      key = Keyed(id, TakeString(data, pos, encoding));
      value = TakeValues(data, pos, encoding);
    }
  } else if (id[0] == 'T') {
    value = TakeValues(data, 1, encoding);
  } else {
    size_t pos = 0;
    value = TakeString(data, pos, kLatin1);
  }
  results.lines.push_back(key + "=" + value);
}

}  // namespace yumekaze::engine::id3v2

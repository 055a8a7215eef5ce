#include "engine/lists/play_list_text.h"

#include <algorithm>
#include <charconv>
#include <map>

#include "engine/stream/http_stream.h"

namespace yumekaze::engine {
namespace {

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWithNoCase(std::string_view text, std::string_view start) {
  return text.size() >= start.size() &&
         std::equal(start.begin(), start.end(), text.begin(),
                    [](char a, char b) { return AsciiLower(a) == AsciiLower(b); });
}

std::string_view Trimmed(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const size_t end = std::min(text.find('\n'), text.size());
    lines.push_back(Trimmed(text.substr(0, end)));
    text.remove_prefix(std::min(end + 1, text.size()));
  }
  return lines;
}

std::vector<TMPListEntry> ParseM3u(std::string_view text) {
  std::vector<TMPListEntry> entries;
  std::string name;  // of the #EXTINF line before the entry
  for (const std::string_view line : Lines(text)) {
    if (line.starts_with("#EXTINF:")) {
      const size_t comma = line.find(',');
      name = comma == std::string_view::npos ? "" : std::string(Trimmed(line.substr(comma + 1)));
    }
    if (line.empty() || line.starts_with('#')) continue;  // #EXTM3U, #EXTINF and comments
    entries.push_back({std::string(line), std::move(name)});
    name.clear();
  }
  return entries;
}

std::vector<TMPListEntry> ParsePls(std::string_view text) {
  std::multimap<int, std::string> files;  // by N, in their order for equal numbers
  std::map<int, std::string> titles;
  for (const std::string_view line : Lines(text)) {
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    const bool file = StartsWithNoCase(line, "File");
    if (!file && !StartsWithNoCase(line, "Title")) continue;
    const std::string_view key = line.substr(file ? 4 : 5, equals - (file ? 4 : 5));
    int number = 0;
    const auto [end, error] = std::from_chars(key.data(), key.data() + key.size(), number);
    if (error != std::errc() || end != key.data() + key.size() || key.empty()) continue;
    const std::string value(Trimmed(line.substr(equals + 1)));
    if (file) {
      files.emplace(number, value);
    } else {
      titles[number] = value;
    }
  }
  std::vector<TMPListEntry> entries;
  for (const auto& [number, location] : files) {
    if (location.empty()) continue;
    const auto title = titles.find(number);
    entries.push_back({location, title == titles.end() ? "" : title->second});
  }
  return entries;
}

// A name on one line: line breaks in it would make entries of its parts.
std::string OneLine(std::string text) {
  std::replace_if(
      text.begin(), text.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
  return text;
}

}  // namespace

std::optional<TMPListFormat> ListFormatOf(std::string_view path) {
  if (IsStreamUrl(path)) {
    // The URL's path: from the first slash after the host, up to its query or fragment.
    const size_t host = path.find("://") + 3;
    const size_t start = std::min(path.find('/', host), path.size());
    path = path.substr(start, path.find_first_of("?#", start) - start);
  }
  const size_t dot = path.rfind('.');
  if (dot == std::string_view::npos || path.find('/', dot) != std::string_view::npos) {
    return std::nullopt;
  }
  std::string suffix(path.substr(dot + 1));
  std::transform(suffix.begin(), suffix.end(), suffix.begin(), AsciiLower);
  if (suffix == "m3u") return TMPListFormat::M3u;
  if (suffix == "m3u8") return TMPListFormat::M3u8;
  if (suffix == "pls") return TMPListFormat::Pls;
  return std::nullopt;
}

std::vector<TMPListEntry> ParsePlayListText(std::string_view bytes, TMPListFormat format,
                                            const TMPTextDecoder& legacy) {
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  if (format == TMPListFormat::Pls) return ParsePls(bytes);
  if (format == TMPListFormat::M3u8) return ParseM3u(bytes);
  return ParseM3u(legacy(bytes));
}

std::string M3u8Text(const std::vector<TMPListEntry>& entries) {
  std::string text = "#EXTM3U\n";
  for (const TMPListEntry& entry : entries) {
    if (!entry.Name.empty()) text += "#EXTINF:-1," + OneLine(entry.Name) + '\n';
    text += entry.Location + '\n';
  }
  return text;
}

}  // namespace yumekaze::engine

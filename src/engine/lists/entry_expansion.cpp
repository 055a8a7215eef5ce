#include "engine/lists/entry_expansion.h"

#include <algorithm>
#include <filesystem>

#include "engine/lists/play_list_reader.h"
#include "engine/stream/http_stream.h"

namespace yumekaze::engine {
namespace {

namespace fs = std::filesystem;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

char Folded(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsAudioFile(const fs::path& path) {
  std::string suffix = path.extension().string();
  std::transform(suffix.begin(), suffix.end(), suffix.begin(), Folded);
  return suffix == ".mp3" || suffix == ".mp2" || suffix == ".mp1" || suffix == ".mpga";
}

std::vector<std::string> AudioFilesUnder(const fs::path& folder) {
  std::vector<std::string> files;
  std::error_code error;
  fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, error);
  for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
    std::error_code statusError;
    if (it->is_regular_file(statusError) && IsAudioFile(it->path())) {
      files.push_back(it->path().string());
    }
  }
  std::sort(files.begin(), files.end(),
            [](const std::string& a, const std::string& b) { return NaturalLess(a, b); });
  return files;
}

// Absolute, without "." and ".." parts or a closing slash.
fs::path AbsolutePath(const std::string& name) {
  std::error_code error;
  fs::path path = fs::absolute(name, error).lexically_normal();
  if (!path.has_filename() && path.has_parent_path() && path != path.root_path()) {
    path = path.parent_path();
  }
  return path;
}

}  // namespace

bool NaturalLess(std::string_view a, std::string_view b) {
  size_t i = 0;
  size_t j = 0;
  while (i < a.size() && j < b.size()) {
    if (IsDigit(a[i]) && IsDigit(b[j])) {
      size_t endA = i;
      size_t endB = j;
      while (endA < a.size() && IsDigit(a[endA])) ++endA;
      while (endB < b.size() && IsDigit(b[endB])) ++endB;
      // Past leading zeros the longer run is the larger number; equal lengths compare digits.
      while (i + 1 < endA && a[i] == '0') ++i;
      while (j + 1 < endB && b[j] == '0') ++j;
      if (endA - i != endB - j) return endA - i < endB - j;
      const int order = a.substr(i, endA - i).compare(b.substr(j, endB - j));
      if (order != 0) return order < 0;
      i = endA;
      j = endB;
      continue;
    }
    const auto x = static_cast<unsigned char>(Folded(a[i]));
    const auto y = static_cast<unsigned char>(Folded(b[j]));
    if (x != y) return x < y;
    ++i;
    ++j;
  }
  if (a.size() - i != b.size() - j) return a.size() - i < b.size() - j;
  return a < b;
}

TMPExpandedEntries ExpandToEntries(const std::vector<std::string>& paths,
                                   const TMPTextDecoder& legacy) {
  TMPExpandedEntries expanded;
  for (const std::string& path : paths) {
    std::error_code error;
    const bool station = IsStreamUrl(path);
    if (!station && fs::is_directory(path, error)) {
      const std::vector<std::string> files = AudioFilesUnder(AbsolutePath(path));
      if (files.empty()) expanded.EmptyFolders.push_back(path);
      expanded.Entries.insert(expanded.Entries.end(), files.begin(), files.end());
    } else if (IsPlayList(path)) {
      const TMPPlayList list = ReadPlayList(path, legacy);
      if (!list.Ok) expanded.UnreadLists.push_back(path);
      for (const TMPListEntry& entry : list.Entries) {
        expanded.Entries.push_back(entry.Location);
        if (!entry.Name.empty()) expanded.StationNames[entry.Location] = entry.Name;
      }
    } else {
      expanded.Entries.push_back(station ? path : AbsolutePath(path).string());
    }
  }
  return expanded;
}

}  // namespace yumekaze::engine

#include "engine/lists/play_list_reader.h"

#include <curl/curl.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "engine/stream/http_fetch.h"
#include "engine/stream/http_stream.h"

namespace yumekaze::engine {
namespace {

namespace fs = std::filesystem;

using TUrlHandle = std::unique_ptr<CURLU, decltype(&curl_url_cleanup)>;

TUrlHandle UrlOf(const std::string& url) {
  TUrlHandle handle(curl_url(), &curl_url_cleanup);
  if (handle && curl_url_set(handle.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK) {
    handle.reset();
  }
  return handle;
}

std::string UrlPart(const TUrlHandle& url, CURLUPart part, unsigned flags) {
  char* text = nullptr;
  if (!url || curl_url_get(url.get(), part, &text, flags) != CURLUE_OK) return {};
  std::string result(text);
  curl_free(text);
  return result;
}

// The exact bytes a file:// URI names; empty when it names no local file.
std::string PathOfFileUri(const std::string& uri) {
  const TUrlHandle url = UrlOf(uri);
  if (UrlPart(url, CURLUPART_SCHEME, 0) != "file") return {};
  return UrlPart(url, CURLUPART_PATH, CURLU_URLDECODE);
}

// An entry of a list on disk as a full path or a station's URL; empty when it names no existing
// file.
std::string ResolveLocalEntry(std::string entry, const fs::path& listFolder) {
  if (IsStreamUrl(entry)) return entry;
  if (entry.size() >= 5 &&
      std::equal(entry.begin(), entry.begin() + 5, "file:", [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == b;
      })) {
    entry = PathOfFileUri(entry);
  } else if (entry.find("://") != std::string::npos) {
    return {};  // other schemes are not played
  }
  if (entry.empty()) return {};
  std::replace(entry.begin(), entry.end(), '\\', '/');  // lists written on other systems
  const fs::path path = (listFolder / entry).lexically_normal();
  std::error_code error;
  return fs::is_regular_file(path, error) ? path.string() : std::string();
}

// An entry of a list fetched from a URL: a station, relative to the list's URL or not.
std::string ResolveRemoteEntry(const std::string& entry, const std::string& listUrl) {
  TUrlHandle url = UrlOf(listUrl);
  if (!url || curl_url_set(url.get(), CURLUPART_URL, entry.c_str(), 0) != CURLUE_OK) return {};
  const std::string resolved = UrlPart(url, CURLUPART_URL, 0);
  return IsStreamUrl(resolved) ? resolved : std::string();
}

template <typename TResolve>
std::vector<TMPListEntry> Resolved(std::vector<TMPListEntry> entries, TResolve resolve) {
  std::vector<TMPListEntry> playable;
  for (TMPListEntry& entry : entries) {
    entry.Location = resolve(entry.Location);
    if (entry.Location.empty()) continue;
    if (!IsStreamUrl(entry.Location)) entry.Name.clear();
    playable.push_back(std::move(entry));
  }
  return playable;
}

}  // namespace

bool IsPlayList(const std::string& path) { return ListFormatOf(path).has_value(); }

TMPPlayList ReadPlayList(const std::string& path, const TMPTextDecoder& legacy) {
  const std::optional<TMPListFormat> format = ListFormatOf(path);
  if (!format) return {};
  if (IsStreamUrl(path)) {
    const TMPFetched list = FetchSmall(path);
    if (!list.Ok) return {};
    // An HLS media list names segments, not stations.
    if (list.Body.find("#EXT-X-") != std::string::npos) return {true, {{path, {}}}};
    return {true, Resolved(ParsePlayListText(list.Body, *format, legacy),
                           [&](const std::string& e) { return ResolveRemoteEntry(e, path); })};
  }
  std::error_code error;
  if (fs::is_directory(path, error)) return {};  // a pipe may hold a list
  std::ifstream file(path, std::ios::binary);
  if (!file) return {};
  const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (file.bad()) return {};
  const fs::path folder = fs::absolute(path, error).parent_path();
  return {true, Resolved(ParsePlayListText(bytes, *format, legacy),
                         [&](const std::string& e) { return ResolveLocalEntry(e, folder); })};
}

}  // namespace yumekaze::engine

#include "engine/tags/front_cover.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string_view>
#include <system_error>

#include "engine/tags/id3v2_frames.h"
#include "engine/tags/picture_header.h"

namespace yumekaze::engine {

namespace {

namespace fs = std::filesystem;

constexpr std::array<std::string_view, 4> kNames = {"cover", "folder", "front", "album"};
constexpr std::array<std::string_view, 3> kExtensions = {".jpg", ".jpeg", ".png"};

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// The image of the folder by the names' order; a directory that cannot be read has none.
std::optional<fs::path> FolderImage(const fs::path& folder) {
  std::optional<fs::path> best;
  size_t best_rank = kNames.size();
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    const std::string stem = Lower(it->path().stem().string());
    const std::string extension = Lower(it->path().extension().string());
    if (std::find(kExtensions.begin(), kExtensions.end(), extension) == kExtensions.end()) continue;
    const auto named = std::find(kNames.begin(), kNames.end(), stem);
    const size_t rank = static_cast<size_t>(named - kNames.begin());
    if (rank >= best_rank || !it->is_regular_file(error)) continue;
    best = it->path();
    best_rank = rank;
  }
  return best;
}

// The file's bytes; nothing when it cannot be read or is larger than any embedded picture may be.
std::optional<std::string> ReadImage(const fs::path& path) {
  std::error_code error;
  const auto size = fs::file_size(path, error);
  if (error || size > static_cast<uintmax_t>(id3v2::kMaxFrameContent)) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!in && !in.eof()) return std::nullopt;
  return bytes;
}

int64_t Pixels(const TPictureInfo& picture) {
  return static_cast<int64_t>(picture.width) * picture.height;
}

}  // namespace

std::optional<TFrontCover> FindFrontCover(const std::string& path, const TPictureInfo& embedded) {
  std::optional<TFrontCover> cover;
  if (embedded.present && embedded.data && !embedded.data->empty())
    cover = TFrontCover{embedded, {}};
  const std::optional<fs::path> image = FolderImage(fs::path(path).parent_path());
  if (!image) return cover;
  const std::optional<std::string> bytes = ReadImage(*image);
  if (!bytes || bytes->empty()) return cover;
  TPictureInfo found = DescribePicture(3, {}, *bytes);
  if (found.width == 0) return cover;  // not a JPEG or PNG picture
  if (cover && Pixels(found) <= Pixels(cover->picture)) return cover;
  return TFrontCover{std::move(found), image->string()};
}

}  // namespace yumekaze::engine

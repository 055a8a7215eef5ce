#include "engine/lists/play_list_reader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "engine/lists/entry_expansion.h"

namespace yumekaze::engine {
namespace {

namespace fs = std::filesystem;

std::string Unchanged(std::string_view bytes) { return std::string(bytes); }

void WriteFile(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

TEST(PlayListReader, ListFormatsByNameAndByTheUrlsPath) {
  EXPECT_EQ(ListFormatOf("/m/LIST.M3U8"), TMPListFormat::M3u8);
  EXPECT_EQ(ListFormatOf("http://radio.example/a/stations.pls?id=3#top"), TMPListFormat::Pls);
  EXPECT_EQ(ListFormatOf("https://radio.example/list.m3u"), TMPListFormat::M3u);
  EXPECT_FALSE(ListFormatOf("http://radio.pls"));  // a host, not a file
  EXPECT_FALSE(ListFormatOf("http://radio.example/x.m3u/live"));
  EXPECT_FALSE(ListFormatOf("/m/list.m3u.mp3"));
}

// A list written and read back gives its entries as they were: names that are not UTF-8 keep
// their bytes, and a station's name with a line break cannot add an entry of its own.
TEST(PlayListReader, WrittenListsReadBackTheSameEntries) {
  const fs::path dir = fs::temp_directory_path() / "yumekaze-play-list-reader";
  fs::remove_all(dir);
  const std::string latin1 = (dir / "caf\xE9.mp3").string();
  const std::string deep = (dir / "sub" / "10 ten.mp3").string();
  WriteFile(latin1, "");
  WriteFile(deep, "");
  WriteFile(dir / "sub" / "2 two.MP3", "");
  const std::vector<TMPListEntry> entries = {
      {latin1, ""}, {"http://radio.example/live", "Radio FM"}, {deep, ""}};
  WriteFile(dir / "saved.m3u8", M3u8Text({entries[0],
                                          {"http://radio.example/live", "Radio\nFile1=/etc/passwd"},
                                          entries[2]}));
  const TMPPlayList read = ReadPlayList((dir / "saved.m3u8").string(), Unchanged);
  ASSERT_TRUE(read.Ok);
  ASSERT_EQ(read.Entries.size(), 3u);
  EXPECT_EQ(read.Entries[0], entries[0]);
  EXPECT_EQ(read.Entries[1].Name, "Radio File1=/etc/passwd");
  EXPECT_EQ(read.Entries[2], entries[2]);

  // Expanded with folders and a list that is not there: a folder's files in natural order, the
  // list and the empty folder named.
  fs::create_directory(dir / "empty");
  const TMPExpandedEntries expanded =
      ExpandToEntries({(dir / "sub/").string(), (dir / "gone.pls").string(),
                       (dir / "empty").string(), (dir / "saved.m3u8").string()},
                      Unchanged);
  EXPECT_EQ(expanded.Entries,
            std::vector<std::string>({(dir / "sub" / "2 two.MP3").string(), deep, latin1,
                                      "http://radio.example/live", deep}));
  EXPECT_EQ(expanded.UnreadLists, std::vector<std::string>({(dir / "gone.pls").string()}));
  EXPECT_EQ(expanded.EmptyFolders, std::vector<std::string>({(dir / "empty").string()}));
  EXPECT_EQ(expanded.StationNames.at("http://radio.example/live"), "Radio File1=/etc/passwd");
  fs::remove_all(dir);
}

}  // namespace
}  // namespace yumekaze::engine

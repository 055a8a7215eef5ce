#include "app/playlist/play_list_files.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>

#include "platform/text/legacy_charset.h"

namespace yumekaze::app {
namespace {

// A folder of empty "audio" files and lists; the readers only look at names and existence.
struct PlayListFiles : ::testing::Test {
  QTemporaryDir dir;
  QString Path(const QString& name) const { return dir.filePath(name); }
  void Make(const QString& name, const QByteArray& bytes = {}) {
    QDir().mkpath(QFileInfo(Path(name)).path());
    QFile file(Path(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
  }
};

TEST_F(PlayListFiles, M3uTakesRelativeAbsoluteUriAndStationEntriesAndSkipsMissingOnes) {
  Make("music/一曲目.mp3");
  Make("music/b.mp3");
  Make("c d.mp3");
  Make("lists/list.m3u8",
       "\xEF\xBB\xBF#EXTM3U\r\n#EXTINF:123,Artist - One\r\n../music/一曲目.mp3\r\n"
       "missing.mp3\r\n" +
           Path("music/b.mp3").toUtf8() + "\r\n# comment\r\nfile://" +
           QUrl::fromLocalFile(Path("c d.mp3")).toEncoded().mid(7) +
           "\r\n#EXTINF:-1,Radio 夢 FM\r\nhttp://radio.example/stream\r\nftp://x/y.mp3\r\n");
  TStationNames names;
  EXPECT_EQ(ReadPlayListFile(Path("lists/list.m3u8"), &names),
            QStringList({Path("music/一曲目.mp3"), Path("music/b.mp3"), Path("c d.mp3"),
                         "http://radio.example/stream"}));
  // Names are kept for stations only: a file's title comes from its tags.
  EXPECT_EQ(names, TStationNames({{"http://radio.example/stream", "Radio 夢 FM"}}));
}

TEST_F(PlayListFiles, PlainM3uInTheLegacyCharacterSet) {
  Make("秋.mp3");
  Make("win.m3u", "\x8f\x48.mp3\r\n");  // "秋" in Shift-JIS
  platform::SetLegacyCharset("CP932");
  EXPECT_EQ(ReadPlayListFile(Path("win.m3u")), QStringList({Path("秋.mp3")}));
  platform::SetLegacyCharset({});
}

TEST_F(PlayListFiles, PlsIsReadInItsNumbersOrder) {
  Make("a.mp3");
  Make("b.mp3");
  Make("list.pls", "[playlist]\nFile2=b.mp3\nTitle2=B\nFile1=" + Path("a.mp3").toUtf8() +
                       "\nFile3=gone.mp3\nTitle4=Station Four\nFile4=HTTPS://radio.example/4"
                       "\nNumberOfEntries=4\nVersion=2\n");
  TStationNames names;
  EXPECT_EQ(ReadPlayListFile(Path("list.pls"), &names),
            QStringList({Path("a.mp3"), Path("b.mp3"), "HTTPS://radio.example/4"}));
  EXPECT_EQ(names, TStationNames({{"HTTPS://radio.example/4", "Station Four"}}));
}

TEST_F(PlayListFiles, SavedM3u8ReadsBackTheSameEntries) {
  Make("x/夢.mp3");
  Make("y.mp3");
  const QStringList entries = {Path("y.mp3"), "http://radio.example/夢", Path("x/夢.mp3")};
  const TStationNames names = {{"http://radio.example/夢", "Dream, Radio"}};
  ASSERT_TRUE(WriteM3u8(Path("saved.m3u8"), entries, names));
  TStationNames read;
  EXPECT_EQ(ReadPlayListFile(Path("saved.m3u8"), &read), entries);
  EXPECT_EQ(read, names);
  EXPECT_FALSE(WriteM3u8(Path("no/such/folder/saved.m3u8"), entries));
}

TEST_F(PlayListFiles, FoldersExpandRecursivelyInNaturalOrderToAudioFilesOnly) {
  Make("album/10 ten.mp3");
  Make("album/2 two.mp3");
  Make("album/cover.jpg");
  Make("album/disc 1/1 one.MP3");
  Make("single.mp3");
  Make("list.m3u", "single.mp3\n");
  EXPECT_EQ(ExpandToEntries({Path("album"), Path("list.m3u"), Path("single.mp3")}),
            QStringList({Path("album/2 two.mp3"), Path("album/10 ten.mp3"),
                         Path("album/disc 1/1 one.MP3"), Path("single.mp3"), Path("single.mp3")}));
}

}  // namespace
}  // namespace yumekaze::app

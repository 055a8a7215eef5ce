#include "app/covers/cover_cache.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace yumekaze::app {
namespace {

qint64 FolderBytes(const QString& folder) {
  qint64 total = 0;
  for (const QFileInfo& file : QDir(folder).entryInfoList(QDir::Files)) total += file.size();
  return total;
}

// Pictures stored one after another: each is kept under a name of its content, the same bytes
// find the same file, and the folder never passes its bound, losing its oldest files first.
TEST(CoverCache, StoresByContentWithinItsBoundOldestOut) {
  QTemporaryDir dir;
  const QString folder = dir.filePath("covers");
  const TCoverCache cache(folder, 3000);
  QStringList stored;
  for (int i = 0; i < 6; ++i) {
    const QByteArray bytes(1000, char('a' + i));
    const QString mime = i % 2 ? "image/png" : "image/jpeg";
    const QString path = cache.Store(bytes, mime);
    ASSERT_FALSE(path.isEmpty());
    EXPECT_TRUE(path.endsWith(i % 2 ? ".png" : ".jpg")) << path.toStdString();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), bytes);
    EXPECT_LE(FolderBytes(folder), 3000);
    stored << path;
  }
  EXPECT_EQ(cache.Store(QByteArray(1000, 'f'), "image/png"), stored.last());  // found again
  EXPECT_FALSE(QFile::exists(stored.first()));
  EXPECT_TRUE(QFile::exists(stored[5]));
  // A folder that cannot be made stores nothing.
  QFile blocker(dir.filePath("file"));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  EXPECT_EQ(TCoverCache(dir.filePath("file/covers")).Store("x", "image/png"), QString());
}

}  // namespace
}  // namespace yumekaze::app

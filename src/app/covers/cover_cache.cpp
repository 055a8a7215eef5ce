#include "app/covers/cover_cache.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <utility>

namespace yumekaze::app {

TCoverCache::TCoverCache(QString folder, qint64 maxBytes)
    : folder_(std::move(folder)), maxBytes_(maxBytes) {}

QString TCoverCache::DefaultFolder() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
         QStringLiteral("/yumekaze/covers");
}

QString TCoverCache::Store(const QByteArray& bytes, const QString& mime) const {
  const QString extension = mime == u"image/png" ? QStringLiteral(".png") : QStringLiteral(".jpg");
  const QString path =
      folder_ + u'/' +
      QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex()) +
      extension;
  QFile existing(path);
  if (existing.exists() && existing.size() == bytes.size()) {
    // Used now: the last to be evicted.
    if (existing.open(QIODevice::ReadWrite)) {
      existing.setFileTime(QDateTime::currentDateTimeUtc(), QFileDevice::FileModificationTime);
    }
    return path;
  }
  if (!QDir().mkpath(folder_)) return {};
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
    return {};
  }
  Evict(path);
  return path;
}

void TCoverCache::Evict(const QString& keep) const {
  const QFileInfoList files =
      QDir(folder_).entryInfoList(QDir::Files | QDir::NoDotAndDotDot, QDir::Time | QDir::Reversed);
  qint64 total = 0;
  for (const QFileInfo& file : files) total += file.size();
  for (const QFileInfo& file : files) {  // oldest first
    if (total <= maxBytes_) break;
    if (file.absoluteFilePath() == QFileInfo(keep).absoluteFilePath()) continue;
    if (QFile::remove(file.absoluteFilePath())) total -= file.size();
  }
}

}  // namespace yumekaze::app

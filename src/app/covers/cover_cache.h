#pragma once

#include <QByteArray>
#include <QString>

namespace yumekaze::app {

// The cover pictures the desktop is pointed at (MPRIS art, notifications, tips), one file per
// picture named by its content's hash in $XDG_CACHE_HOME/yumekaze/covers.
class TCoverCache {
 public:
  // The cache's size bound; the least recently used files go first when it is passed.
  static constexpr qint64 kMaxBytes = 64 << 20;

  explicit TCoverCache(QString folder = DefaultFolder(), qint64 maxBytes = kMaxBytes);
  static QString DefaultFolder();

  // The file holding bytes (a JPEG or PNG picture of that MIME type), written when it is not
  // there yet; empty when it cannot be written. Safe on any thread.
  QString Store(const QByteArray& bytes, const QString& mime) const;

 private:
  // Removes the least recently used files but keep until the folder fits in the bound.
  void Evict(const QString& keep) const;

  QString folder_;
  qint64 maxBytes_;
};

}  // namespace yumekaze::app

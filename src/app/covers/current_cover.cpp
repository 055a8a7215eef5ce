#include "app/covers/current_cover.h"

#include <QMetaObject>
#include <mutex>
#include <optional>
#include <thread>

#include "app/covers/cover_cache.h"
#include "app/playlist/file_names.h"
#include "engine/tags/front_cover.h"

namespace yumekaze::app {

struct TCurrentCover::TFound {
  QString cachedFile;
  QSize pixelSize;
  QImage shown;
};

// Shared with the searching threads, which may outlive the cover.
struct TCurrentCover::TShared {
  std::mutex mutex;
  TCurrentCover* owner;  // null once the cover is gone
};

TCurrentCover::TCurrentCover(QObject* parent)
    : QObject(parent), shared_(std::make_shared<TShared>()) {
  shared_->owner = this;
}

TCurrentCover::~TCurrentCover() {
  std::lock_guard lock(shared_->mutex);
  shared_->owner = nullptr;
}

void TCurrentCover::Follow(const QString& file, const engine::TPictureInfo& embedded) {
  if (file == file_) return;
  file_ = file;
  const quint64 search = ++search_;
  if (file.isEmpty() || IsStation(file)) {
    Found(search, {});
    return;
  }
  known_ = false;
  // Reading the folder, writing the cache and decoding the picture may each take long.
  std::thread([shared = shared_, search, file, embedded] {
    TFound found;
    if (const std::optional<engine::TFrontCover> cover =
            engine::FindFrontCover(NameToBytes(file).toStdString(), embedded)) {
      const std::string& bytes = *cover->picture.data;
      const QByteArray data(bytes.data(), static_cast<qsizetype>(bytes.size()));
      QImage image;
      if (image.loadFromData(data)) {
        found.cachedFile = TCoverCache().Store(data, QString::fromStdString(cover->picture.mime));
        found.pixelSize = image.size();
        found.shown =
            image.scaled(kShownSide, kShownSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
      }
    }
    std::lock_guard lock(shared->mutex);
    if (!shared->owner) return;
    QMetaObject::invokeMethod(
        shared->owner, [owner = shared->owner, search, found] { owner->Found(search, found); },
        Qt::QueuedConnection);
  }).detach();
}

void TCurrentCover::Found(quint64 search, const TFound& found) {
  if (search != search_) return;  // a newer file is followed
  known_ = true;
  cachedFile_ = found.cachedFile;
  pixelSize_ = found.pixelSize;
  shown_ = found.shown;
  emit Changed();
}

QString TCurrentCover::Tip(const QString& text) const {
  if (cachedFile_.isEmpty()) return text;
  return QStringLiteral("<img src=\"%1\" width=\"%2\" height=\"%3\"><br>%4")
      .arg(cachedFile_.toHtmlEscaped())
      .arg(shown_.width())
      .arg(shown_.height())
      .arg(text.toHtmlEscaped());
}

}  // namespace yumekaze::app

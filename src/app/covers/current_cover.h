#pragma once

#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>
#include <memory>

#include "engine/tags/tag_fields.h"

namespace yumekaze::app {

// The front cover of the file playing: found (embedded or beside the file), stored in the cover
// cache and scaled for display on a thread of its own, so that a slow folder or a large picture
// never holds up the window. Only the latest file's cover is kept.
class TCurrentCover : public QObject {
  Q_OBJECT

 public:
  // Sides of the scaled picture the windows show.
  static constexpr int kShownSide = 160;

  explicit TCurrentCover(QObject* parent = nullptr);
  // A search still running is left to finish on its own; its cover goes nowhere.
  ~TCurrentCover() override;

  // Looks for the cover of file (empty or a station: none). Nothing happens when file is the one
  // followed already.
  void Follow(const QString& file, const engine::TPictureInfo& embedded);

  // The file followed, and whether its search is over.
  const QString& File() const { return file_; }
  bool Known() const { return known_; }
  // The cached picture at its own size; empty without a cover.
  const QString& CachedFile() const { return cachedFile_; }
  QSize PixelSize() const { return pixelSize_; }
  // The picture scaled to fit kShownSide; null without a cover.
  const QImage& Shown() const { return shown_; }
  // text with the cover above it, as rich text for a tip; text alone without a cover.
  QString Tip(const QString& text) const;

 signals:
  // The search for the followed file's cover is over (with a cover or without).
  void Changed();

 private:
  struct TFound;
  struct TShared;
  void Found(quint64 search, const TFound& found);

  std::shared_ptr<TShared> shared_;
  quint64 search_ = 0;
  QString file_;
  bool known_ = true;
  QString cachedFile_;
  QSize pixelSize_;
  QImage shown_;
};

}  // namespace yumekaze::app

#include "app/window/drop_target.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

#include "app/playlist/file_names.h"

namespace yumekaze::app {

namespace {

QStringList LocalPaths(const QMimeData* data) {
  QStringList paths;
  if (!data || !data->hasUrls()) return paths;
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile()) paths << NameFromFileUri(url.toString(QUrl::FullyEncoded));
  }
  return paths;
}

}  // namespace

TDropTarget::TDropTarget(QWidget& widget) : QObject(&widget) {
  widget.setAcceptDrops(true);
  widget.installEventFilter(this);
}

bool TDropTarget::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
      auto* drag = static_cast<QDropEvent*>(event);
      if (LocalPaths(drag->mimeData()).isEmpty()) return false;
      drag->acceptProposedAction();
      return true;
    }
    case QEvent::Drop: {
      auto* drop = static_cast<QDropEvent*>(event);
      const QStringList paths = LocalPaths(drop->mimeData());
      if (paths.isEmpty()) return false;
      drop->acceptProposedAction();
      emit Dropped(paths);
      return true;
    }
    default:
      return QObject::eventFilter(watched, event);
  }
}

}  // namespace yumekaze::app

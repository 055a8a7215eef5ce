#pragma once

#include <QObject>
#include <QStringList>

namespace yumekaze::app {

// Takes files and folders dropped on a widget (text/uri-list with local files) and hands their
// paths on; other drops are refused.
class TDropTarget : public QObject {
  Q_OBJECT

 public:
  // Watches widget, which starts accepting drops.
  explicit TDropTarget(QWidget& widget);

 signals:
  void Dropped(const QStringList& paths);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace yumekaze::app

#pragma once

#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <functional>

namespace yumekaze::app {

// A logind delay lock on sleep and shutdown: logind announces either and then waits, up to its
// InhibitDelayMaxSec, until every delay lock is let go. On the announcement `save` runs and the
// lock goes; after a wake-up it is taken again. Without logind on the system bus nothing happens.
class TLogindDelayLock final : public QObject {
  Q_OBJECT

 public:
  explicit TLogindDelayLock(std::function<void()> save, QObject* parent = nullptr);

 private slots:
  void PrepareForSleep(bool start);
  void PrepareForShutdown(bool start);

 private:
  void Take();
  void SaveAndRelease();

  std::function<void()> save_;
  QDBusUnixFileDescriptor lock_;
  bool taking_ = false;    // an Inhibit call is on its way
  bool stopping_ = false;  // sleep or shutdown announced: a lock answered now is not kept
};

}  // namespace yumekaze::app

#pragma once

#include <QObject>

class QSocketNotifier;

namespace yumekaze::app {

// SIGTERM (logout, shutdown), SIGINT and SIGHUP turned into a Qt signal on the event loop, where
// the program can end in order. The handler only writes the signal's number into a pipe that a
// socket notifier reads. One at a time; the default actions come back when it goes.
class TQuitSignals final : public QObject {
  Q_OBJECT

 public:
  explicit TQuitSignals(QObject* parent = nullptr);
  ~TQuitSignals() override;

 signals:
  void Received(int signal);

 private:
  void ReadPipe();

  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace yumekaze::app

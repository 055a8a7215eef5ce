#pragma once

#include <QObject>
#include <cstdint>

class QLabel;
class QTimer;

namespace yumekaze::app {

class TForm1;
class TPositionRing;

// The main window's time: elapsed and total beside the status word, and the position arc in the
// ring, which seeks where it is clicked or dragged to. A volume change shows there for a moment.
class TPlayTimeView : public QObject {
  Q_OBJECT

 public:
  explicit TPlayTimeView(TForm1& form1);

  QLabel* TimeLine() const { return timeLine_; }
  TPositionRing* Ring() const { return ring_; }

  // "m:ss" (or "h:mm:ss" from an hour on).
  static QString Clock(int64_t ms);

 private:
  // The time to show: the place under a drag, else the played time while playing or paused.
  int64_t ShownMilliseconds() const;
  // A position tick: redraws only when the shown second changed.
  void FollowPosition();
  void Refresh();
  void ShowVolume(int volume);

  TForm1& form1_;
  QLabel* timeLine_;
  TPositionRing* ring_;
  QTimer* volumeShown_;
  int64_t draggedMs_ = -1;  // the place under a drag on the arc, shown instead of the time
  int64_t shownSecond_ = -1;
};

}  // namespace yumekaze::app

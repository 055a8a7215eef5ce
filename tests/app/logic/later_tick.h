// Checks that something did not happen follow a tick that must come after it would have.
#pragma once

#include <QSignalSpy>
#include <QTimer>

namespace yumekaze::app::test {

// Runs the event loop until a precise timer of `ms`, started now, has fired. Qt fires timers in
// the order they fall due, so every timer due within `ms` from now has fired by then (a coarse
// timer may fall due up to 5% late: leave it that margin). False only when the event loop was
// held up for 20 s beyond that.
inline bool PassTimersDueWithin(int ms) {
  QTimer later;
  later.setSingleShot(true);
  later.setTimerType(Qt::PreciseTimer);
  QSignalSpy fired(&later, &QTimer::timeout);
  later.start(ms);
  return fired.wait(ms + 20000);
}

}  // namespace yumekaze::app::test

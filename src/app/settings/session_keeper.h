#pragma once

#include <QObject>
#include <QTimer>
#include <optional>

#include "app/settings/session_store.h"

namespace yumekaze::app {

class TForm1;

// Keeps the stored session close to the player's, so that an end without a close (a signal, a
// display that went away, the power) still finds it: written shortly after each change of the
// list, the entry, the status or the place, and every ten seconds while the time played moves.
// A session equal to the one written last is not written again.
class TSessionKeeper final : public QObject {
  Q_OBJECT

 public:
  explicit TSessionKeeper(TForm1& form1);

  // Writes the session now, unless the stored one is the same.
  void SaveNow();

 private:
  TForm1& form1_;
  QTimer burst_;     // gathers the changes of one command into one write
  QTimer periodic_;  // picks up the time played
  std::optional<TSession> stored_;
};

}  // namespace yumekaze::app

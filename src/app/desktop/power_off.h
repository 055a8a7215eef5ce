#pragma once

#include <QString>
#include <functional>

namespace yumekaze::app {

// What the sleep timer does at its end, after stopping playback.
enum class TSleepAction { Stop, Suspend, PowerOff };

// Asks the system to suspend or power the computer off. The sleep timer uses it at its end;
// tests give the timer a fake.
class TPowerOff {
 public:
  using TRefused = std::function<void(const QString& reason)>;
  using TAllowed = std::function<void(bool suspend, bool powerOff)>;
  virtual ~TPowerOff() = default;
  // Asks afresh whether the system would take each request now; `answer` runs on the
  // user-interface thread once it is known, at once or later, and never blocks the caller.
  virtual void AskAllowed(TAllowed answer) = 0;
  // Sends the request for Suspend or PowerOff; refused runs on the user-interface thread when
  // the system answers no.
  virtual void Request(TSleepAction action, TRefused refused) = 0;
};

// systemd-logind over the system bus.
class TLogindPowerOff final : public TPowerOff {
 public:
  void AskAllowed(TAllowed answer) override;
  void Request(TSleepAction action, TRefused refused) override;
};

}  // namespace yumekaze::app

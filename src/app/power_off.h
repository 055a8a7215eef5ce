#pragma once

namespace yumekaze::app {

// Asks the system to power the computer off. The sleep timer calls it once when its count
// reaches zero; tests give the timer a fake.
class TPowerOff {
 public:
  virtual ~TPowerOff() = default;
  virtual void RequestPowerOff() = 0;
};

// systemd-logind's PowerOff over the system bus. The call is sent without waiting for the reply
// and its result is not examined: if the system refuses, the program goes on running.
class TLogindPowerOff final : public TPowerOff {
 public:
  void RequestPowerOff() override;
};

}  // namespace yumekaze::app

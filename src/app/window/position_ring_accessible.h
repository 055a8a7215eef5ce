#pragma once

#include <QAccessibleWidget>

namespace yumekaze::app {

class TPositionRing;

// Assistive technology sees the position ring as a slider from 0 to 100 (percent played);
// setting its value picks that place, as a click on the arc does.
class TPositionRingAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
 public:
  explicit TPositionRingAccessible(TPositionRing& ring);

  // Makes Qt's accessibility use this interface for every position ring.
  static void Install();

  void* interface_cast(QAccessible::InterfaceType type) override;
  QVariant currentValue() const override;
  void setCurrentValue(const QVariant& value) override;
  QVariant maximumValue() const override;
  QVariant minimumValue() const override;
  QVariant minimumStepSize() const override;

 private:
  TPositionRing& ring_;
};

}  // namespace yumekaze::app

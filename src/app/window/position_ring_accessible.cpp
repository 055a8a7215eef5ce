#include "app/window/position_ring_accessible.h"

#include "app/window/position_ring.h"

namespace yumekaze::app {

namespace {

QAccessibleInterface* RingInterface(const QString&, QObject* object) {
  auto* ring = qobject_cast<TPositionRing*>(object);
  return ring ? new TPositionRingAccessible(*ring) : nullptr;
}

}  // namespace

TPositionRingAccessible::TPositionRingAccessible(TPositionRing& ring)
    : QAccessibleWidget(&ring, QAccessible::Slider), ring_(ring) {}

void TPositionRingAccessible::Install() {
  static const bool installed = (QAccessible::installFactory(&RingInterface), true);
  (void)installed;
}

void* TPositionRingAccessible::interface_cast(QAccessible::InterfaceType type) {
  if (type == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
  return QAccessibleWidget::interface_cast(type);
}

QVariant TPositionRingAccessible::currentValue() const { return ring_.PlayedPercent(); }

void TPositionRingAccessible::setCurrentValue(const QVariant& value) {
  emit ring_.Picked(std::clamp(value.toDouble(), 0.0, 100.0) / 100);
}

QVariant TPositionRingAccessible::maximumValue() const { return 100; }

QVariant TPositionRingAccessible::minimumValue() const { return 0; }

QVariant TPositionRingAccessible::minimumStepSize() const { return 1; }

}  // namespace yumekaze::app

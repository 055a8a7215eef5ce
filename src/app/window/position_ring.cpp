#include "app/window/position_ring.h"

#include <QAccessible>
#include <QLineF>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>
#include <QPolygonF>
#include <QRegion>
#include <algorithm>
#include <cmath>
#include <numbers>

#include "app/window/position_ring_accessible.h"

namespace yumekaze::app {

namespace {

// The ring lies between the ellipses inset 10 and 30 from the window's edges; the arc follows
// its middle. Angles are the ellipse's parameter in degrees, counter-clockwise from the right.
constexpr double kInset = 20;
constexpr double kRingHalfWidth = 10;
// From above the previous button on the left, over the top, to before the buttons top right.
constexpr double kStartAngle = 203;
constexpr double kEndAngle = 80;
constexpr double kPenWidth = 4;
const QColor kTrack(0, 72, 0);
const QColor kPlayed(170, 255, 120);

double Radians(double degrees) { return degrees * std::numbers::pi / 180; }

}  // namespace

TPositionRing::TPositionRing(QWidget& parent) : QWidget(&parent) {
  TPositionRingAccessible::Install();
  setGeometry(parent.rect());
  setAttribute(Qt::WA_TranslucentBackground);
  setCursor(Qt::PointingHandCursor);
  // The band of the ring under the arc: the rest of the window keeps its own mouse handling.
  const QRectF r = QRectF(rect()).adjusted(kInset, kInset, -kInset, -kInset);
  const QRect outer =
      r.adjusted(-kRingHalfWidth, -kRingHalfWidth, kRingHalfWidth, kRingHalfWidth).toRect();
  const QRect inner =
      r.adjusted(kRingHalfWidth, kRingHalfWidth, -kRingHalfWidth, -kRingHalfWidth).toRect();
  QPolygon wedge;
  wedge << r.center().toPoint();
  for (double a = kStartAngle; a >= kEndAngle; a -= 1) {
    const double t = Radians(a);
    wedge << QPoint(int(r.center().x() + 2 * r.width() * std::cos(t)),
                    int(r.center().y() - 2 * r.height() * std::sin(t)));
  }
  setMask(QRegion(outer, QRegion::Ellipse).subtracted(QRegion(inner, QRegion::Ellipse)) &
          QRegion(wedge));
  lower();
}

QPointF TPositionRing::PointAt(double fraction) const {
  const QRectF r = QRectF(rect()).adjusted(kInset, kInset, -kInset, -kInset);
  const double t = Radians(kStartAngle - fraction * (kStartAngle - kEndAngle));
  return {r.center().x() + r.width() / 2 * std::cos(t),
          r.center().y() - r.height() / 2 * std::sin(t)};
}

double TPositionRing::FractionAt(QPointF p) const {
  const QRectF r = QRectF(rect()).adjusted(kInset, kInset, -kInset, -kInset);
  double degrees = std::atan2(-(p.y() - r.center().y()) / (r.height() / 2),
                              (p.x() - r.center().x()) / (r.width() / 2)) *
                   180 / std::numbers::pi;
  if (degrees < 0) degrees += 360;
  // Beyond the end (the right half) counts as the end, beyond the start as the start.
  if (degrees < kEndAngle || degrees > 270) return 1;
  return std::clamp((kStartAngle - degrees) / (kStartAngle - kEndAngle), 0.0, 1.0);
}

void TPositionRing::SetFraction(std::optional<double> fraction) {
  if (fraction) fraction = std::clamp(*fraction, 0.0, 1.0);
  if (fraction == fraction_) return;
  // Less than a pixel's move looks the same: the arc stays as drawn until it moves further.
  if (fraction && fraction_ && QLineF(PointAt(*fraction_), PointAt(*fraction)).length() < 1) {
    return;
  }
  const double from = fraction_.value_or(0);
  const int percentBefore = PlayedPercent();
  fraction_ = fraction;
  update(ArcBounds(std::min(from, fraction_.value_or(0)), std::max(from, fraction_.value_or(0))));
  if (PlayedPercent() != percentBefore && QAccessible::isActive()) {
    QAccessibleValueChangeEvent event(this, PlayedPercent());
    QAccessible::updateAccessibility(&event);
  }
}

int TPositionRing::PlayedPercent() const { return static_cast<int>(fraction_.value_or(0) * 100); }

QRect TPositionRing::ArcBounds(double from, double to) const {
  // The arc is drawn through every hundredth of the way, so the part that changes starts at
  // the hundredth before from.
  QPolygonF points;
  for (double f = std::floor(from * 100) / 100; f < to; f += 0.01) points << PointAt(f);
  points << PointAt(to);
  // Wide enough for the round caps and the antialiased edge.
  return points.boundingRect()
      .adjusted(-kPenWidth, -kPenWidth, kPenWidth, kPenWidth)
      .toAlignedRect();
}

void TPositionRing::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  auto arc = [&](double to, const QColor& colour) {
    QPainterPath path(PointAt(0));
    for (double f = 0.01; f < to; f += 0.01) path.lineTo(PointAt(f));
    path.lineTo(PointAt(to));
    painter.setPen(QPen(colour, kPenWidth, Qt::SolidLine, Qt::RoundCap));
    painter.drawPath(path);
  };
  arc(1, kTrack);
  const std::optional<double> shown = dragged_ ? dragged_ : fraction_;
  if (shown && *shown > 0) arc(*shown, kPlayed);
}

void TPositionRing::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  dragged_ = FractionAt(event->position());
  emit Dragging(*dragged_);
  update();
}

void TPositionRing::mouseMoveEvent(QMouseEvent* event) {
  if (!dragged_) return;
  dragged_ = FractionAt(event->position());
  emit Dragging(*dragged_);
  update();
}

void TPositionRing::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !dragged_) return;
  const double picked = FractionAt(event->position());
  dragged_.reset();
  update();
  emit Picked(picked);
}

}  // namespace yumekaze::app

#pragma once

#include <QWidget>
#include <optional>

namespace yumekaze::app {

// A slim arc in the round window's green ring, from the lower left up over the top, clear of the
// buttons there. It shows how far the file has played, and a click or a drag on it picks a place.
class TPositionRing : public QWidget {
  Q_OBJECT

 public:
  // Covers parent, which is the round window; only the arc's band takes the mouse.
  explicit TPositionRing(QWidget& parent);

  // 0..1 of the way along the arc; nullopt when the length is unknown (the arc stays empty).
  void SetFraction(std::optional<double> fraction);
  // How far the file has played, in whole percent; 0 while the length is unknown.
  int PlayedPercent() const;
  // The fraction of the arc at point p of this widget.
  double FractionAt(QPointF p) const;
  // The point of the arc's middle line at fraction.
  QPointF PointAt(double fraction) const;

 signals:
  // While the button is held: the place under the mouse, for showing.
  void Dragging(double fraction);
  // The button was let go over fraction.
  void Picked(double fraction);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  // The box around the arc between two fractions, with its pen.
  QRect ArcBounds(double from, double to) const;

  std::optional<double> fraction_;  // as drawn
  std::optional<double> dragged_;
};

}  // namespace yumekaze::app

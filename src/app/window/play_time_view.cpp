#include "app/window/play_time_view.h"

#include <QAccessible>
#include <QLabel>
#include <QTimer>
#include <cmath>

#include "app/window/app_font.h"
#include "app/window/form1.h"
#include "app/window/position_ring.h"

namespace yumekaze::app {

namespace {

// Left of the status word, ending where it begins, inside the coloured middle.
const QRect kTimeLine(70, 43, 70, 14);
constexpr int kVolumeShownMs = 1500;

}  // namespace

TPlayTimeView::TPlayTimeView(TForm1& form1)
    : QObject(&form1),
      form1_(form1),
      timeLine_(new QLabel(&form1)),
      ring_(new TPositionRing(form1)),
      volumeShown_(new QTimer(this)) {
  timeLine_->setFont(GothicFont(12));
  timeLine_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  timeLine_->setGeometry(kTimeLine);
  timeLine_->setAccessibleDescription(
      tr("The time played, or the volume while it changes (keys Up and Down)"));
  ring_->setAccessibleName(tr("Position"));
  ring_->setAccessibleDescription(
      tr("How far the track has played; a click or a drag moves there (keys Left and Right)"));
  QPalette palette = timeLine_->palette();
  palette.setColor(QPalette::WindowText, Qt::white);
  timeLine_->setPalette(palette);
  volumeShown_->setSingleShot(true);
  volumeShown_->setInterval(kVolumeShownMs);

  connect(volumeShown_, &QTimer::timeout, this, &TPlayTimeView::Refresh);
  connect(&form1, &TForm1::PlayerChanged, this, &TPlayTimeView::Refresh);
  connect(&form1, &TForm1::Seeked, this, &TPlayTimeView::Refresh);
  connect(&form1, &TForm1::VolumeChanged, this, &TPlayTimeView::ShowVolume);
  form1.MP3->SetOnChangePosition([this](engine::TMP3Player&) { FollowPosition(); });
  connect(ring_, &TPositionRing::Dragging, this, [this](double fraction) {
    const int64_t total = form1_.MP3->TotalMilliseconds();
    draggedMs_ = total > 0 ? std::llround(fraction * double(total)) : -1;
    Refresh();
  });
  connect(ring_, &TPositionRing::Picked, this, [this](double fraction) {
    draggedMs_ = -1;
    const int64_t total = form1_.MP3->TotalMilliseconds();
    if (total > 0) form1_.Guarded([&] { form1_.SeekTo(std::llround(fraction * double(total))); });
    Refresh();
  });
  Refresh();
}

QString TPlayTimeView::Clock(int64_t ms) {
  const int64_t seconds = std::max<int64_t>(ms, 0) / 1000;
  if (seconds >= 3600) {
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
  }
  return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

int64_t TPlayTimeView::ShownMilliseconds() const {
  const engine::TMP3Player& player = *form1_.MP3;
  if (draggedMs_ >= 0) return draggedMs_;
  return form1_.Paused() || player.Status() == engine::kStatusPlaying ? form1_.PlayedMilliseconds()
                                                                      : 0;
}

void TPlayTimeView::FollowPosition() {
  // Ticks come more often than the shown second changes; the arc moves along with the time, so
  // the window is redrawn about once a second while playing.
  if (ShownMilliseconds() / 1000 == shownSecond_) return;
  Refresh();
}

void TPlayTimeView::Refresh() {
  const engine::TMP3Player& player = *form1_.MP3;
  const int64_t total = player.Opened() ? player.TotalMilliseconds() : -1;
  const int64_t played = ShownMilliseconds();
  shownSecond_ = played / 1000;
  ring_->SetFraction(total > 0 ? std::optional<double>(double(played) / double(total))
                               : std::nullopt);
  if (volumeShown_->isActive()) return;
  QString text;
  if (player.Opened()) text = total < 0 ? Clock(played) : Clock(played) + u'/' + Clock(total);
  if (text != timeLine_->text()) timeLine_->setText(text);
}

void TPlayTimeView::ShowVolume(int volume) {
  timeLine_->setText(tr("Volume %1").arg(volume));
  QAccessibleEvent event(timeLine_, QAccessible::NameChanged);
  QAccessible::updateAccessibility(&event);
  volumeShown_->start();
}

}  // namespace yumekaze::app

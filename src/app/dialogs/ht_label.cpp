#include "app/dialogs/ht_label.h"

#include <QAction>
#include <QClipboard>
#include <QCursor>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QMenu>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QSettings>
#include <QStyle>
#include <QStyleOptionFocusRect>

#include "app/settings/settings_store.h"

namespace yumekaze::app {

namespace {

const QString kWebPrefix = QStringLiteral("http://");
const QString kHoverModeOn = QStringLiteral("yes");

const TLinkColours& ProgramLinkColours() {
  static const TLinkColours colours = [] {
    auto settings = OpenSettings();
    return ReadLinkColours(*settings);
  }();
  return colours;
}

TLinkOpener& DesktopOpener() {
  static TDesktopLinkOpener opener;
  return opener;
}

}  // namespace

void TDesktopLinkOpener::OpenUrl(const QUrl& url) { QDesktopServices::openUrl(url); }

THTLabel::THTLabel(QWidget* parent) : THTLabel(ProgramLinkColours(), DesktopOpener(), parent) {}

THTLabel::THTLabel(const TLinkColours& colours, TLinkOpener& opener, QWidget* parent)
    : QLabel(parent), colours_(colours), opener_(opener), colour_(colours.normal) {
  underline_ = font().underline();
  setCursor(Qt::PointingHandCursor);
  setFocusPolicy(Qt::StrongFocus);
  // The menu belongs to the label's owner, as the label's other companions do.
  popupMenu_ = new QMenu(parent);
  openAction_ = popupMenu_->addAction(tr("&Open"), this, &THTLabel::Click);
  copyAction_ = popupMenu_->addAction(tr("&Copy"), this, &THTLabel::CopyText);
  popupMenu_->setDefaultAction(openAction_);
}

void THTLabel::ChooseStyle() {
  const bool hoverMode = colours_.hoverMode == kHoverModeOn;
  if (!hovering_) {
    colour_ = colours_.normal;
    underline_ = !hoverMode;
  } else {
    colour_ = colours_.hover;
    // Outside hover mode the underline stays as the last paint left it.
    if (hoverMode) underline_ = true;
  }
}

void THTLabel::paintEvent(QPaintEvent*) {
  // The paint that follows a click shows the visited colour; later paints recolour the link.
  if (visitedShowing_) {
    visitedShowing_ = false;
  } else {
    ChooseStyle();
  }
  QPainter painter(this);
  QFont linkFont = font();
  linkFont.setUnderline(underline_);
  painter.setFont(linkFont);
  painter.setPen(colour_);
  painter.drawText(contentsRect(), static_cast<int>(alignment()), text());
  if (hasFocus()) {
    QStyleOptionFocusRect focus;
    focus.initFrom(this);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
  }
}

void THTLabel::enterEvent(QEnterEvent* event) {
  QLabel::enterEvent(event);
  hovering_ = true;
  repaint();
}

void THTLabel::leaveEvent(QEvent* event) {
  QLabel::leaveEvent(event);
  hovering_ = false;
  repaint();
}

void THTLabel::mousePressEvent(QMouseEvent* event) {
  QLabel::mousePressEvent(event);
  if (event->button() == Qt::RightButton) popupMenu_->popup(QCursor::pos());
}

void THTLabel::mouseReleaseEvent(QMouseEvent* event) {
  QLabel::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) Click();
}

void THTLabel::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
    Click();
  } else if (key == Qt::Key_Menu || (key == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier)) {
    popupMenu_->popup(mapToGlobal(rect().bottomLeft()));
  } else {
    QLabel::keyPressEvent(event);
  }
}

void THTLabel::Click() {
  // The visited colour shows until a later paint recolours the label.
  colour_ = colours_.visited;
  visitedShowing_ = true;
  update();
  emit clicked();
  OpenAddress();
}

void THTLabel::OpenAddress() {
  const QString address = text();
  if (address.startsWith(kWebPrefix, Qt::CaseSensitive)) {
    opener_.OpenUrl(QUrl(address));
    return;
  }
  const QString mailPrefix = QStringLiteral("mailto:");
  opener_.OpenUrl(QUrl(address.startsWith(mailPrefix) ? address : mailPrefix + address));
}

void THTLabel::CopyText() { QGuiApplication::clipboard()->setText(text()); }

}  // namespace yumekaze::app

#include "app/desktop/tray_icon.h"

#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>
#include <stdexcept>
#include <utility>
#include <vector>

namespace yumekaze::app {

namespace {

// The program-wide registry: one entry per live icon, in order of creation.
std::vector<std::pair<int, TTrayIcon*>>& Registry() {
  static std::vector<std::pair<int, TTrayIcon*>> registry;
  return registry;
}

// The icon that received the last notification; the single-click timer reports to it.
QPointer<TTrayIcon>& LastNotified() {
  static QPointer<TTrayIcon> icon;
  return icon;
}

// The extra time on top of the double-click interval before a release counts as a single click.
constexpr int kSingleClickSlackMs = 50;

}  // namespace

QString TTrayIcon::RegisterError() { return tr("Cannot add the icon to the notification area."); }

TTrayIcon::TTrayIcon(QObject* owner) : QObject(owner) {
  auto& registry = Registry();
  if (registry.size() >= kMaxIcons) throw std::runtime_error(RegisterError().toStdString());
  iconNumber_ = registry.empty() ? 1 : registry.back().first + 1;
  registry.emplace_back(iconNumber_, this);

  systemIcon_ = new QSystemTrayIcon(this);
  connect(systemIcon_, &QSystemTrayIcon::activated, this,
          [number = iconNumber_](QSystemTrayIcon::ActivationReason reason) {
            switch (reason) {
              case QSystemTrayIcon::Trigger:
                Notify(number, TTrayMouseMessage::LeftDown);
                Notify(number, TTrayMouseMessage::LeftUp);
                break;
              case QSystemTrayIcon::DoubleClick:
                Notify(number, TTrayMouseMessage::LeftDoubleClick);
                Notify(number, TTrayMouseMessage::LeftUp);
                break;
              case QSystemTrayIcon::Context:
                Notify(number, TTrayMouseMessage::RightDown);
                Notify(number, TTrayMouseMessage::RightUp);
                break;
              case QSystemTrayIcon::MiddleClick:
                Notify(number, TTrayMouseMessage::MiddleDown);
                Notify(number, TTrayMouseMessage::MiddleUp);
                break;
              case QSystemTrayIcon::Unknown:
                break;
            }
          });
}

TTrayIcon::~TTrayIcon() {
  if (registered_) UpdateNotificationArea(TUpdate::Delete);
  auto& registry = Registry();
  std::erase_if(registry, [this](const auto& entry) { return entry.second == this; });
}

bool TTrayIcon::SystemTrayAvailable() { return QSystemTrayIcon::isSystemTrayAvailable(); }

void TTrayIcon::SetEnabled(bool value) {
  enabled_ = value;
  if (!value) clickPending_ = false;
  UpdateSystemMenu();
}

void TTrayIcon::SetAutoPopup(bool value) {
  autoPopup_ = value;
  UpdateSystemMenu();
}

void TTrayIcon::SetRBPopupMenu(QMenu* menu) {
  rbPopupMenu_ = menu;
  UpdateSystemMenu();
}

QMenu* TTrayIcon::SystemMenu() const { return systemIcon_->contextMenu(); }

void TTrayIcon::UpdateSystemMenu() {
  systemIcon_->setContextMenu(enabled_ && autoPopup_ ? rbPopupMenu_.data() : nullptr);
}

void TTrayIcon::SetIcon(const QIcon& icon) {
  icon_ = icon;
  if (registered_) UpdateNotificationArea(TUpdate::Modify);
}

void TTrayIcon::SetTipHelp(const QString& tip) {
  const QString cut = tip.left(kMaxTipLength);
  if (cut == tipHelp_) return;
  tipHelp_ = cut;
  if (registered_) UpdateNotificationArea(TUpdate::Modify);
}

void TTrayIcon::SetVisible(bool value) {
  if (value == visible_) return;
  // Without a picture there is nothing to show: the icon stays invisible.
  if (value && icon_.isNull()) return;
  visible_ = value;
  if (visible_) {
    UpdateNotificationArea(TUpdate::Add);
  } else if (registered_) {
    UpdateNotificationArea(TUpdate::Delete);
  }
}

void TTrayIcon::UpdateNotificationArea(TUpdate action) {
  systemIcon_->setIcon(icon_);
  // An empty tip shows no tip at all.
  systemIcon_->setToolTip(tipHelp_);
  switch (action) {
    case TUpdate::Add:
      if (!visible_) return;
      systemIcon_->show();
      registered_ = true;
      break;
    case TUpdate::Modify:
      break;
    case TUpdate::Delete:
      systemIcon_->hide();
      registered_ = false;
      break;
  }
}

void TTrayIcon::Notify(int iconNumber, TTrayMouseMessage message) {
  for (const auto& [number, icon] : Registry()) {
    if (number != iconNumber) continue;
    LastNotified() = icon;
    icon->HandleNotification(message);
    return;
  }
}

void TTrayIcon::HandleNotification(TTrayMouseMessage message) {
  if (!enabled_) return;
  const QPoint cursor = QCursor::pos();
  const int x = cursor.x();
  const int y = cursor.y();
  switch (message) {
    case TTrayMouseMessage::Move:
      if (OnMouseMove) OnMouseMove(this, Qt::NoButton, x, y);
      break;
    case TTrayMouseMessage::LeftDown:
      PopupOrPress(lbPopupMenu_, Qt::LeftButton, x, y);
      break;
    case TTrayMouseMessage::LeftUp:
      LeftButtonUp(x, y);
      break;
    case TTrayMouseMessage::LeftDoubleClick:
      // The release that follows sees the pending mark and clears it, so no single click fires.
      clickPending_ = true;
      if (OnDblClick) OnDblClick(this);
      break;
    case TTrayMouseMessage::RightDown:
      // The notification area has shown the menu it was given.
      if (!SystemMenu()) PopupOrPress(rbPopupMenu_, Qt::RightButton, x, y);
      break;
    case TTrayMouseMessage::RightUp:
      if (OnMouseUp) OnMouseUp(this, Qt::RightButton, Qt::RightButton, x, y);
      break;
    case TTrayMouseMessage::RightDoubleClick:
      break;
    case TTrayMouseMessage::MiddleDown:
      if (OnMouseDown) OnMouseDown(this, Qt::MiddleButton, Qt::MiddleButton, x, y);
      break;
    case TTrayMouseMessage::MiddleUp:
      if (OnMouseUp) OnMouseUp(this, Qt::MiddleButton, Qt::MiddleButton, x, y);
      break;
  }
}

void TTrayIcon::PopupOrPress(QMenu* menu, Qt::MouseButton button, int x, int y) {
  if (menu && autoPopup_) {
    if (auto* window = qobject_cast<QWidget*>(parent()); window && window->isVisible()) {
      window->activateWindow();
    }
    menu->popup(QPoint(x, y));
    return;
  }
  if (OnMouseDown) OnMouseDown(this, button, button, x, y);
}

void TTrayIcon::LeftButtonUp(int x, int y) {
  if (OnMouseUp) {
    OnMouseUp(this, Qt::LeftButton, Qt::LeftButton, x, y);
    return;
  }
  if (!OnClick) {
    clickPending_ = false;
    return;
  }
  if (clickPending_) {
    clickPending_ = false;
    return;
  }
  clickPending_ = true;
  QTimer::singleShot(QApplication::doubleClickInterval() + kSingleClickSlackMs, qApp,
                     &TTrayIcon::SingleClickTimeout);
}

void TTrayIcon::SingleClickTimeout() {
  TTrayIcon* icon = LastNotified();
  if (!icon) return;
  if (icon->OnClick && icon->clickPending_) icon->OnClick(icon);
  icon->clickPending_ = false;
}

}  // namespace yumekaze::app

#pragma once

#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>

class QSystemTrayIcon;

namespace yumekaze::app {

// The mouse notifications an icon in the notification area reports.
enum class TTrayMouseMessage {
  Move,
  LeftDown,
  LeftUp,
  LeftDoubleClick,
  RightDown,
  RightUp,
  RightDoubleClick,
  MiddleDown,
  MiddleUp,
};

// An icon with a tip in the notification area, over QSystemTrayIcon. Every live icon has a
// program-wide number (1, 2, ... at most 100 icons); notifications are delivered by number.
// Presses pop up the left or right button's menu; left releases are told apart into single and
// double clicks with a timer of the double-click interval plus 50 ms. The right button's menu is
// given to the notification area itself, which shows it at the icon: hosts of
// StatusNotifierItem (KDE, XFCE, GNOME's AppIndicator extension) draw it themselves, and no
// cursor position is needed where a program cannot know it (Wayland).
class TTrayIcon : public QObject {
  Q_OBJECT

 public:
  using TNotifyEvent = std::function<void(TTrayIcon* sender)>;
  // Sender, button, shift state (the one button's flag, or none for moves), cursor x and y.
  using TMouseEvent = std::function<void(TTrayIcon* sender, Qt::MouseButton button,
                                         Qt::MouseButtons shift, int x, int y)>;

  static constexpr int kMaxIcons = 100;
  static constexpr int kMaxTipLength = 62;
  static QString RegisterError();

  // Throws std::runtime_error with RegisterError() when 100 icons exist already.
  explicit TTrayIcon(QObject* owner);
  ~TTrayIcon() override;

  int IconNumber() const { return iconNumber_; }
  bool Registered() const { return registered_; }
  bool ClickPending() const { return clickPending_; }

  bool AutoPopup() const { return autoPopup_; }
  void SetAutoPopup(bool value);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  const QIcon& Icon() const { return icon_; }
  void SetIcon(const QIcon& icon);
  QMenu* LBPopupMenu() const { return lbPopupMenu_; }
  void SetLBPopupMenu(QMenu* menu) { lbPopupMenu_ = menu; }
  QMenu* RBPopupMenu() const { return rbPopupMenu_; }
  void SetRBPopupMenu(QMenu* menu);
  // The menu the notification area shows at the icon by itself, if any.
  QMenu* SystemMenu() const;
  const QString& TipHelp() const { return tipHelp_; }
  void SetTipHelp(const QString& tip);
  bool Visible() const { return visible_; }
  void SetVisible(bool value);

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  std::function<void(TTrayIcon* sender, Qt::MouseButtons shift, int x, int y)> OnMouseMove;
  TMouseEvent OnMouseUp;

  // Handles a notification for the icon with this number, as the notification area sends it.
  // Unknown numbers are ignored.
  static void Notify(int iconNumber, TTrayMouseMessage message);

  // Whether the desktop shows icons in a notification area at all.
  static bool SystemTrayAvailable();

 private:
  enum class TUpdate { Add, Modify, Delete };
  void UpdateNotificationArea(TUpdate action);
  // Hands the right button's menu to the notification area while it may pop up.
  void UpdateSystemMenu();
  void HandleNotification(TTrayMouseMessage message);
  void PopupOrPress(QMenu* menu, Qt::MouseButton button, int x, int y);
  void LeftButtonUp(int x, int y);
  static void SingleClickTimeout();

  int iconNumber_;
  bool autoPopup_ = true;
  bool enabled_ = true;
  QIcon icon_;
  QPointer<QMenu> lbPopupMenu_;
  QPointer<QMenu> rbPopupMenu_;
  QString tipHelp_ = QStringLiteral("TipHelp");
  bool visible_ = false;
  bool registered_ = false;
  bool clickPending_ = false;
  QSystemTrayIcon* systemIcon_;
};

}  // namespace yumekaze::app

#pragma once

#include <QLabel>
#include <QUrl>

#include "app/dialogs/link_colours.h"

class QMenu;
class QAction;

namespace yumekaze::app {

// Hands an address to the desktop (browser or mail program).
class TLinkOpener {
 public:
  virtual ~TLinkOpener() = default;
  virtual void OpenUrl(const QUrl& url) = 0;
};

class TDesktopLinkOpener final : public TLinkOpener {
 public:
  void OpenUrl(const QUrl& url) override;
};

// A label that behaves like a link in a web page: link colours, hover colour and underline,
// a click opens its text ("http://..." in the browser, anything else as a mail address), and the
// right button pops up a menu to open or copy it. Tab reaches it; Enter or Space opens it and
// the menu key (or Shift+F10) pops up the menu.
class THTLabel : public QLabel {
  Q_OBJECT

 public:
  // Uses the program's link colours (read once from the settings, shared by all such labels)
  // and the desktop opener.
  explicit THTLabel(QWidget* parent);
  THTLabel(const TLinkColours& colours, TLinkOpener& opener, QWidget* parent);

  // The colour and underline the next paint uses, as the last paint or click left them.
  QColor CurrentColour() const { return colour_; }
  bool Underlined() const { return underline_; }
  bool Hovering() const { return hovering_; }
  QMenu* PopupMenu() const { return popupMenu_; }
  QAction* OpenAction() const { return openAction_; }
  QAction* CopyAction() const { return copyAction_; }

  // What a click does: show the visited colour, raise clicked(), open the address.
  void Click();

 signals:
  void clicked();

 protected:
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void ChooseStyle();
  void OpenAddress();
  void CopyText();

  TLinkColours colours_;
  TLinkOpener& opener_;
  bool hovering_ = false;
  // A click chose the visited colour, which the next paint must show rather than recolour.
  bool visitedShowing_ = false;
  QColor colour_;
  bool underline_;
  QMenu* popupMenu_;
  QAction* openAction_;
  QAction* copyAction_;
};

}  // namespace yumekaze::app

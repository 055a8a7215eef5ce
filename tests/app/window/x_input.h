// Real mouse and keyboard input for the window test, synthesised by the X server's XTEST
// extension, so the program under test sees exactly what a user's clicks and keys produce.
#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>

struct _XDisplay;

namespace yumekaze::app::test {

class TXInput {
 public:
  TXInput();
  ~TXInput();
  TXInput(const TXInput&) = delete;
  TXInput& operator=(const TXInput&) = delete;

  bool Connected() const { return display_ != nullptr; }
  void MoveTo(QPoint screen);
  // Button 1 is the left, 3 the right.
  void Press(QPoint screen, unsigned button = 1);
  void Release(unsigned button = 1);
  // Types letters, digits, '.', '/', '-', ' ' and '"'; "\n" presses Return and "\x1b" Escape.
  void Type(const QString& text);
  void PressDelete();

  // The screen rectangles of the mapped top-level windows (there is no window manager).
  QList<QRect> Windows();
  // The screen rectangle of the top-level window that has the keyboard focus; empty when the
  // keyboard follows the pointer or goes nowhere.
  QRect FocusedWindow();
  // Asks the top-level window at exactly this rectangle to close, as a window manager's close
  // button does (WM_DELETE_WINDOW). False when there is no such window.
  bool AskToClose(const QRect& window);
  // Whether some client owns the selection (a compositing manager owns _NET_WM_CM_S0).
  bool SelectionOwned(const char* selection);

 private:
  void Key(unsigned long keysym);
  void ShiftedKey(unsigned long keysym);
  _XDisplay* display_;
};

}  // namespace yumekaze::app::test

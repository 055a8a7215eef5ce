// Real mouse and keyboard input for the window test, synthesised by the X server's XTEST
// extension, so the program under test sees exactly what a user's clicks and keys produce.
#pragma once

#include <QPoint>
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
  void Press(QPoint screen);
  void Release();
  // Types letters, digits, '.', '/' and '-'; "\n" presses Return and "\x1b" Escape.
  void Type(const QString& text);

 private:
  void Key(unsigned long keysym);
  _XDisplay* display_;
};

}  // namespace yumekaze::app::test

#include "x_input.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>

// Debian ships the XTEST client library without its development header; these are its
// documented entry points.
extern "C" {
int XTestFakeMotionEvent(Display* display, int screen, int x, int y, unsigned long delay);
int XTestFakeButtonEvent(Display* display, unsigned int button, Bool isPress, unsigned long delay);
int XTestFakeKeyEvent(Display* display, unsigned int keycode, Bool isPress, unsigned long delay);
}

namespace yumekaze::app::test {

TXInput::TXInput() : display_(XOpenDisplay(nullptr)) {}

TXInput::~TXInput() {
  if (display_) XCloseDisplay(display_);
}

void TXInput::MoveTo(QPoint screen) {
  XTestFakeMotionEvent(display_, -1, screen.x(), screen.y(), CurrentTime);
  XFlush(display_);
}

void TXInput::Press(QPoint screen) {
  MoveTo(screen);
  XTestFakeButtonEvent(display_, 1, True, CurrentTime);
  XFlush(display_);
}

void TXInput::Release() {
  XTestFakeButtonEvent(display_, 1, False, CurrentTime);
  XFlush(display_);
}

void TXInput::Key(unsigned long keysym) {
  const KeyCode code = XKeysymToKeycode(display_, keysym);
  XTestFakeKeyEvent(display_, code, True, CurrentTime);
  XTestFakeKeyEvent(display_, code, False, CurrentTime);
  XFlush(display_);
}

void TXInput::Type(const QString& text) {
  for (const QChar c : text) {
    switch (c.unicode()) {
      case u'\n':
        Key(XK_Return);
        break;
      case u'\x1b':
        Key(XK_Escape);
        break;
      case u'.':
        Key(XK_period);
        break;
      case u'/':
        Key(XK_slash);
        break;
      case u'-':
        Key(XK_minus);
        break;
      default:
        // Letters and digits: their keysyms are their ASCII codes.
        Key(c.toLower().unicode());
        break;
    }
  }
}

}  // namespace yumekaze::app::test

#include "x_input.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <QPair>

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

void TXInput::Press(QPoint screen, unsigned button) {
  MoveTo(screen);
  XTestFakeButtonEvent(display_, button, True, CurrentTime);
  XFlush(display_);
}

void TXInput::Release(unsigned button) {
  XTestFakeButtonEvent(display_, button, False, CurrentTime);
  XFlush(display_);
}

void TXInput::Key(unsigned long keysym) {
  const KeyCode code = XKeysymToKeycode(display_, keysym);
  XTestFakeKeyEvent(display_, code, True, CurrentTime);
  XTestFakeKeyEvent(display_, code, False, CurrentTime);
  XFlush(display_);
}

void TXInput::PressDelete() { Key(XK_Delete); }

namespace {

// The mapped children of the root window with their rectangles.
QList<QPair<Window, QRect>> MappedTopLevels(Display* display) {
  QList<QPair<Window, QRect>> found;
  Window root = 0;
  Window parent = 0;
  Window* children = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) {
    return found;
  }
  for (unsigned int i = 0; i < count; ++i) {
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, children[i], &attributes)) continue;
    if (attributes.map_state != IsViewable || attributes.c_class != InputOutput) continue;
    found.append(
        {children[i], QRect(attributes.x, attributes.y, attributes.width, attributes.height)});
  }
  if (children) XFree(children);
  return found;
}

}  // namespace

QList<QRect> TXInput::Windows() {
  QList<QRect> rects;
  for (const auto& [window, rect] : MappedTopLevels(display_)) rects.append(rect);
  return rects;
}

QRect TXInput::FocusedWindow() {
  Window focus = None;
  int revertTo = 0;
  XGetInputFocus(display_, &focus, &revertTo);
  if (focus == None || focus == PointerRoot) return {};
  // The focus may sit on a child; the top-level is the ancestor whose parent is the root.
  for (Window window = focus;;) {
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display_, window, &root, &parent, &children, &count)) return {};
    if (children) XFree(children);
    if (parent == root) {
      XWindowAttributes attributes;
      if (!XGetWindowAttributes(display_, window, &attributes) ||
          attributes.map_state != IsViewable) {
        return {};
      }
      return QRect(attributes.x, attributes.y, attributes.width, attributes.height);
    }
    if (window == root) return {};
    window = parent;
  }
}

bool TXInput::AskToClose(const QRect& target) {
  for (const auto& [window, rect] : MappedTopLevels(display_)) {
    if (rect != target) continue;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display_, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display_, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display_, window, False, NoEventMask, &event);
    XFlush(display_);
    return true;
  }
  return false;
}

void TXInput::ShiftedKey(unsigned long keysym) {
  const KeyCode shift = XKeysymToKeycode(display_, XK_Shift_L);
  XTestFakeKeyEvent(display_, shift, True, CurrentTime);
  Key(keysym);
  XTestFakeKeyEvent(display_, shift, False, CurrentTime);
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
      case u' ':
        Key(XK_space);
        break;
      case u'"':
        ShiftedKey(XK_apostrophe);  // the US layout of the X server
        break;
      default:
        // Letters and digits: their keysyms are their ASCII codes.
        Key(c.toLower().unicode());
        break;
    }
  }
}

bool TXInput::SelectionOwned(const char* selection) {
  return XGetSelectionOwner(display_, XInternAtom(display_, selection, False)) != None;
}

}  // namespace yumekaze::app::test

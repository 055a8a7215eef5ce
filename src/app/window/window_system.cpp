#include "app/window/window_system.h"

#include <xcb/xcb.h>

#include <QGuiApplication>
#include <cstdlib>
#include <memory>

namespace yumekaze::app {

namespace {

bool OnWayland() { return QGuiApplication::platformName().startsWith(u"wayland"); }

// A compositing manager owns the selection _NET_WM_CM_S<screen> while it runs (EWMH). Qt opens
// its connection on the display's default screen, the first one on every usual set-up.
bool X11CompositingManagerRuns() {
  const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  if (!x11 || !x11->connection()) return false;
  xcb_connection_t* connection = x11->connection();
  static constexpr char kSelection[] = "_NET_WM_CM_S0";
  const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
      xcb_intern_atom_reply(
          connection, xcb_intern_atom(connection, 1, sizeof kSelection - 1, kSelection), nullptr),
      &std::free);
  if (!atom || atom->atom == XCB_ATOM_NONE) return false;
  const std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&std::free)> owner(
      xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, atom->atom),
                                    nullptr),
      &std::free);
  return owner && owner->owner != XCB_WINDOW_NONE;
}

}  // namespace

bool TranslucentWindowsShown() { return OnWayland() || X11CompositingManagerRuns(); }

bool ProgramsPlaceWindows() { return !OnWayland(); }

}  // namespace yumekaze::app

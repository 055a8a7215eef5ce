#pragma once

// What the window system under the program offers its windows.

namespace yumekaze::app {

// Whether the window system shows what lies below the transparent parts of a window: always on
// Wayland, on X11 only while a compositing manager runs. Elsewhere a window's transparent pixels
// come out black, so shapes must be cut out instead.
bool TranslucentWindowsShown();

// Whether a program can read and set the place of its windows on the screen (not on Wayland,
// where the compositor alone places them).
bool ProgramsPlaceWindows();

}  // namespace yumekaze::app

#pragma once

namespace yumekaze::app {

// The program's reverse-DNS id: the desktop entry's, the icon's and the metainfo's name.
inline constexpr char kDesktopId[] = "io.github.yumekaze.Yumekaze";

// The version that --version gives; the build sets it from the project's.
inline constexpr char kVersion[] = YUMEKAZE_VERSION;

}  // namespace yumekaze::app

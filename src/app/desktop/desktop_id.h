#pragma once

namespace yumekaze::app {

// The program's reverse-DNS id: the desktop entry's, the icon's and the metainfo's name.
inline constexpr char kDesktopId[] = "io.github.yumekaze.Yumekaze";

// The version that --version and the metainfo give.
inline constexpr char kVersion[] = "1.1";

}  // namespace yumekaze::app

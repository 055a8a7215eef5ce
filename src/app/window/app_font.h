#pragma once

#include <QFont>

namespace yumekaze::app {

// The windows' font at a pixel height: "ＭＳ Ｐゴシック" where it is installed, otherwise the
// IPA Gothic fonts from Debian, so that Japanese texts never fall back to boxes.
QFont GothicFont(int pixelSize);

}  // namespace yumekaze::app

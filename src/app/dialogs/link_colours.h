#pragma once

#include <QColor>
#include <QString>
#include <optional>

class QSettings;

namespace yumekaze::app {

// The colours of a hyperlink label and whether the underline follows the mouse.
struct TLinkColours {
  QColor normal{0, 0, 255};
  QColor hover{255, 0, 0};
  QColor visited{255, 0, 255};
  QString hoverMode{QStringLiteral("no")};  // exactly "yes": underline only under the mouse
};

// "red,green,blue" in decimal: the text before the first comma is red, the text between the
// first and second comma green, the rest blue. Anything else, or a part outside 0..255, gives
// nothing, so that the caller keeps its default instead of a colour mixed from overflowing parts.
std::optional<QColor> ParseColourText(const QString& text);

// Reads group "Settings", keys "Anchor Color", "Anchor Color Hover", "Anchor Color Visited" and
// "Use Anchor Hover Color"; missing or malformed values give the defaults above.
TLinkColours ReadLinkColours(QSettings& settings);

}  // namespace yumekaze::app

#include "app/dialogs/link_colours.h"

#include <QSettings>

namespace yumekaze::app {

namespace {

std::optional<int> ParseChannel(const QString& text) {
  bool ok = false;
  const int value = text.trimmed().toInt(&ok, 10);
  if (!ok || value < 0 || value > 255) return std::nullopt;
  return value;
}

QColor ReadColour(QSettings& settings, const QString& key, const QColor& fallback) {
  const QVariant value = settings.value(key);
  if (!value.isValid()) return fallback;
  return ParseColourText(value.toString()).value_or(fallback);
}

}  // namespace

std::optional<QColor> ParseColourText(const QString& text) {
  const qsizetype first = text.indexOf(u',');
  if (first < 0) return std::nullopt;
  const qsizetype second = text.indexOf(u',', first + 1);
  if (second < 0) return std::nullopt;
  const auto red = ParseChannel(text.first(first));
  const auto green = ParseChannel(text.mid(first + 1, second - first - 1));
  const auto blue = ParseChannel(text.mid(second + 1));
  if (!red || !green || !blue) return std::nullopt;
  return QColor(*red, *green, *blue);
}

TLinkColours ReadLinkColours(QSettings& settings) {
  TLinkColours colours;
  settings.beginGroup(QStringLiteral("Settings"));
  colours.normal = ReadColour(settings, QStringLiteral("Anchor Color"), colours.normal);
  colours.hover = ReadColour(settings, QStringLiteral("Anchor Color Hover"), colours.hover);
  colours.visited = ReadColour(settings, QStringLiteral("Anchor Color Visited"), colours.visited);
  colours.hoverMode =
      settings.value(QStringLiteral("Use Anchor Hover Color"), colours.hoverMode).toString();
  settings.endGroup();
  return colours;
}

}  // namespace yumekaze::app

#include "app/settings/charset_choice.h"

#include <QActionGroup>
#include <QCoreApplication>
#include <QMenu>

#include "app/settings/settings_store.h"
#include "platform/text/legacy_charset.h"

namespace yumekaze::app {

namespace {

const QString kCharsetKey = QStringLiteral("Text/Charset");

// The sets of the locales the player knows, and ISO-8859-1 itself.
constexpr const char* kCharsets[] = {"CP932",  "GB18030", "BIG5",      "CP949",
                                     "CP1251", "CP1252",  "ISO-8859-1"};

QString StoredCharset() { return OpenSettings()->value(kCharsetKey).toString(); }

}  // namespace

QMenu* AddCharsetMenu(QMenu* menu, std::function<void()> changed) {
  QMenu* submenu = menu->addMenu(QCoreApplication::translate("CharsetChoice", "Text &Encoding"));
  auto* group = new QActionGroup(submenu);
  const QString stored = StoredCharset();
  const auto add = [&](const QString& caption, const QString& charset) {
    QAction* action = submenu->addAction(caption);
    action->setCheckable(true);
    action->setChecked(charset == stored);
    group->addAction(action);
    QObject::connect(action, &QAction::triggered, submenu, [charset, changed] {
      const auto settings = OpenSettings();
      settings->setValue(kCharsetKey, charset);
      settings->sync();
      platform::SetLegacyCharset(charset.toStdString());
      if (changed) changed();
    });
  };
  add(QCoreApplication::translate("CharsetChoice", "Automatic (%1)")
          .arg(QString::fromStdString(platform::LocaleLegacyCharset())),
      QString());
  submenu->addSeparator();
  for (const char* charset : kCharsets)
    add(QString::fromLatin1(charset), QString::fromLatin1(charset));
  return submenu;
}

void ApplyStoredCharset() {
  const std::string stored = StoredCharset().toStdString();
  // A set this machine's iconv does not know (settings from elsewhere) falls back to the locale's.
  platform::SetLegacyCharset(platform::IsKnownCharset(stored) ? stored : std::string());
}

}  // namespace yumekaze::app

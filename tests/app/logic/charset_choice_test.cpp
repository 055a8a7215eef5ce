// The character set menu: a pick is applied at once, stored, and applied again at the next start.
#include "app/settings/charset_choice.h"

#include <gtest/gtest.h>

#include <QMenu>

#include "app/settings/settings_store.h"
#include "platform/text/legacy_charset.h"
#include "platform/text/tag_text.h"

namespace yumekaze::app {
namespace {

QAction* Entry(QMenu* submenu, const QString& caption) {
  for (QAction* action : submenu->actions()) {
    if (action->text().startsWith(caption)) return action;
  }
  return nullptr;
}

TEST(CharsetChoice, APickIsAppliedStoredAndRestored) {
  QMenu menu;
  int changes = 0;
  QMenu* submenu = AddCharsetMenu(&menu, [&] { ++changes; });
  QAction* cp932 = Entry(submenu, QStringLiteral("CP932"));
  ASSERT_NE(cp932, nullptr);
  cp932->trigger();
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(platform::DecodeTagText("\x82\xA0"), "あ");
  EXPECT_EQ(OpenSettings()->value(QStringLiteral("Text/Charset")).toString(), "CP932");

  // The next start: the stored pick applies, and a new menu shows it checked.
  platform::SetLegacyCharset("");
  ApplyStoredCharset();
  EXPECT_EQ(platform::LegacyCharset(), "CP932");
  QMenu next;
  EXPECT_TRUE(Entry(AddCharsetMenu(&next, {}), QStringLiteral("CP932"))->isChecked());

  // Automatic follows the locale again; a stored name iconv does not know does too.
  Entry(submenu, QStringLiteral("自動"))->trigger();
  EXPECT_EQ(platform::LegacyCharset(), platform::LocaleLegacyCharset());
  OpenSettings()->setValue(QStringLiteral("Text/Charset"), QStringLiteral("NO-SUCH-SET"));
  ApplyStoredCharset();
  EXPECT_EQ(platform::LegacyCharset(), platform::LocaleLegacyCharset());
  OpenSettings()->remove(QStringLiteral("Text"));
}

}  // namespace
}  // namespace yumekaze::app

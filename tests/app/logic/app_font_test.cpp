#include "app/window/app_font.h"

#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QFontInfo>
#include <QRawFont>

namespace yumekaze::app {
namespace {

TEST(GothicFont, FallsBackToTheIpaGothicWithJapaneseGlyphsAtThePixelSize) {
  const QStringList installed = QFontDatabase::families();
  const QStringList usable = {QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"),
                              QStringLiteral("IPAGothic")};
  bool any = false;
  for (const QString& family : usable) any = any || installed.contains(family);
  if (!any)
    GTEST_SKIP() << "no Japanese Gothic font installed (tools/install-deps.sh installs one)";

  for (int pixels : {12, 13, 16, 17}) {
    const QFont font = GothicFont(pixels);
    const QFontInfo info(font);
    EXPECT_TRUE(usable.contains(info.family())) << info.family().toStdString();
    EXPECT_EQ(info.pixelSize(), pixels);
    // Every character of the windows' Japanese texts has a glyph in the chosen font itself.
    const QRawFont raw = QRawFont::fromFont(font);
    const QString texts = QStringLiteral(
        "ぷれ～や～ファイルを指定してください警告タイマーをセットしました！確認お休みタイマー"
        "時間設定分あと前の曲へ戻る一時停止再生次の曲へ進む開くスリープタイマーセットアバウト"
        "最小化ファイルオープンバージョン情報元のサイズに戻す終了コピー");
    for (const QChar c : texts) {
      EXPECT_TRUE(raw.supportsCharacter(c)) << "no glyph for U+" << std::hex << int(c.unicode());
    }
  }
}

}  // namespace
}  // namespace yumekaze::app

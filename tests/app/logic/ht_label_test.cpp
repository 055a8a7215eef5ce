#include "app/dialogs/ht_label.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QEnterEvent>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <vector>

#include "app/dialogs/about_box.h"

namespace yumekaze::app {
namespace {

class TRecordingOpener final : public TLinkOpener {
 public:
  void OpenUrl(const QUrl& url) override { opened.push_back(url); }
  std::vector<QUrl> opened;
};

TEST(LinkColours, ParsesRedGreenBlueTexts) {
  EXPECT_EQ(ParseColourText("0,0,255"), QColor(0, 0, 255));
  EXPECT_EQ(ParseColourText("12, 34 ,56"), QColor(12, 34, 56));
}

TEST(LinkColours, RejectsMalformedTexts) {
  for (const char* text : {"", "0,0", "red,0,0", "1,2,3,4", "0,0,256", "-1,0,0", "0;0;255"}) {
    EXPECT_FALSE(ParseColourText(text).has_value()) << text;
  }
}

TEST(LinkColours, ReadsSettingsAndFallsBackPerValue) {
  QTemporaryDir dir;
  QSettings settings(dir.filePath("links.conf"), QSettings::IniFormat);
  TLinkColours defaults = ReadLinkColours(settings);
  EXPECT_EQ(defaults.normal, QColor(0, 0, 255));
  EXPECT_EQ(defaults.hover, QColor(255, 0, 0));
  EXPECT_EQ(defaults.visited, QColor(255, 0, 255));
  EXPECT_EQ(defaults.hoverMode, "no");

  settings.setValue("Settings/Anchor Color", "10,20,30");
  settings.setValue("Settings/Anchor Color Hover", "not a colour");
  settings.setValue("Settings/Anchor Color Visited", "1,2,3");
  settings.setValue("Settings/Use Anchor Hover Color", "yes");
  const TLinkColours read = ReadLinkColours(settings);
  EXPECT_EQ(read.normal, QColor(10, 20, 30));
  EXPECT_EQ(read.hover, QColor(255, 0, 0));
  EXPECT_EQ(read.visited, QColor(1, 2, 3));
  EXPECT_EQ(read.hoverMode, "yes");
}

// Moves the mouse onto or off the label as the window system reports it, and paints.
// Whether the label's pixels on the screen hold this exact colour (its underline does).
bool ShowsColour(QWidget& widget, const QColor& colour) {
  const QImage shown = widget.screen()->grabWindow(widget.winId()).toImage();
  for (int y = 0; y < shown.height(); ++y) {
    for (int x = 0; x < shown.width(); ++x) {
      if (shown.pixelColor(x, y) == colour) return true;
    }
  }
  return false;
}

void Hover(THTLabel& label, bool inside) {
  if (inside) {
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QCoreApplication::sendEvent(&label, &enter);
  } else {
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&label, &leave);
  }
}

struct LabelFixture : ::testing::Test {
  void Make(const QString& hoverMode, bool underlinedFont = true) {
    colours.hoverMode = hoverMode;
    label = std::make_unique<THTLabel>(colours, opener, nullptr);
    QFont font = label->font();
    font.setUnderline(underlinedFont);
    label->setFont(font);
    label->setText("http://yumekaze.example.org/");
    label->resize(200, 14);
    label->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(label.get()));
    Hover(*label, false);  // wherever the pointer was when the label appeared
  }
  TLinkColours colours;
  TRecordingOpener opener;
  std::unique_ptr<THTLabel> label;
};

TEST_F(LabelFixture, DefaultModeIsAlwaysUnderlinedAndRedUnderTheMouse) {
  Make("no", false);
  EXPECT_EQ(label->CurrentColour(), QColor(0, 0, 255));
  EXPECT_TRUE(label->Underlined());
  Hover(*label, true);
  EXPECT_TRUE(label->Hovering());
  EXPECT_EQ(label->CurrentColour(), QColor(255, 0, 0));
  EXPECT_TRUE(label->Underlined());
  Hover(*label, false);
  EXPECT_EQ(label->CurrentColour(), QColor(0, 0, 255));
  EXPECT_TRUE(label->Underlined());
}

TEST_F(LabelFixture, HoverModeUnderlinesOnlyUnderTheMouse) {
  Make("yes");
  EXPECT_FALSE(label->Underlined());
  Hover(*label, true);
  EXPECT_TRUE(label->Underlined());
  EXPECT_EQ(label->CurrentColour(), QColor(255, 0, 0));
  Hover(*label, false);
  EXPECT_FALSE(label->Underlined());
}

TEST_F(LabelFixture, ClickShowsVisitedColourAndOpensWebAddress) {
  Make("no");
  int clicks = 0;
  QObject::connect(label.get(), &THTLabel::clicked, [&] { ++clicks; });
  QTest::mouseClick(label.get(), Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(label->CurrentColour(), QColor(255, 0, 255));
  ASSERT_EQ(opener.opened.size(), 1u);
  EXPECT_EQ(opener.opened[0], QUrl("http://yumekaze.example.org/"));
  // The paint after the click shows the visited colour; a later one recolours the link.
  EXPECT_TRUE(QTest::qWaitFor([&] { return ShowsColour(*label, QColor(255, 0, 255)); }, 5000));
  EXPECT_FALSE(ShowsColour(*label, QColor(0, 0, 255)));
  label->repaint();
  EXPECT_NE(label->CurrentColour(), QColor(255, 0, 255));
  EXPECT_FALSE(ShowsColour(*label, QColor(255, 0, 255)));
  EXPECT_TRUE(ShowsColour(*label, QColor(0, 0, 255)));
}

TEST_F(LabelFixture, TextWithoutTheWebPrefixOpensAsMailAddress) {
  Make("no");
  label->setText("HTTP://yumekaze.example.org/");
  label->Click();
  label->setText("someone@example.org");
  label->Click();
  ASSERT_EQ(opener.opened.size(), 2u);
  EXPECT_EQ(opener.opened[0].scheme(), "mailto");
  EXPECT_EQ(opener.opened[1], QUrl("mailto:someone@example.org"));
}

TEST_F(LabelFixture, RightButtonPopsUpMenuWhoseItemsOpenAndCopy) {
  Make("no");
  QTest::mousePress(label.get(), Qt::RightButton, {}, QPoint(5, 5));
  EXPECT_TRUE(label->PopupMenu()->isVisible());
  EXPECT_EQ(label->PopupMenu()->defaultAction(), label->OpenAction());
  EXPECT_EQ(label->OpenAction()->text(), "開く(&O)");
  EXPECT_EQ(label->CopyAction()->text(), "コピー(&C)");
  label->PopupMenu()->hide();
  EXPECT_TRUE(opener.opened.empty());

  label->OpenAction()->trigger();
  EXPECT_EQ(opener.opened.size(), 1u);
  QGuiApplication::clipboard()->clear();
  label->CopyAction()->trigger();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "http://yumekaze.example.org/");
}

TEST_F(LabelFixture, KeyboardReachesOpensAndPopsUpTheMenu) {
  Make("no");
  EXPECT_EQ(label->focusPolicy(), Qt::StrongFocus);
  QTest::keyClick(label.get(), Qt::Key_Return);
  QTest::keyClick(label.get(), Qt::Key_Space);
  EXPECT_EQ(opener.opened.size(), 2u);
  QTest::keyClick(label.get(), Qt::Key_F10, Qt::ShiftModifier);
  EXPECT_TRUE(label->PopupMenu()->isVisible());
  label->PopupMenu()->hide();
  QTest::keyClick(label.get(), Qt::Key_A);
  EXPECT_EQ(opener.opened.size(), 2u);
}

TEST(AboutBox, ShowsNameVersionAndLinkAndClosesWithOk) {
  TLinkColours colours;
  TRecordingOpener opener;
  TAboutBox box(colours, opener);
  EXPECT_EQ(box.windowTitle(), "バージョン情報");
  EXPECT_EQ(box.size(), QSize(298, 209));
  EXPECT_EQ(box.ProductName->text(), "Yumekaze");
  EXPECT_EQ(box.Version->text(), "Version 1.1");
  EXPECT_EQ(box.HTLabel1->geometry(), QRect(24, 144, 225, 12));
  EXPECT_TRUE(box.HTLabel1->text().startsWith("http://"));
  EXPECT_TRUE(box.HTLabel1->font().underline());
  EXPECT_FALSE(box.Image1->pixmap().isNull());
  EXPECT_EQ(box.OKButton->geometry(), QRect(111, 180, 75, 25));
  EXPECT_TRUE(box.OKButton->isDefault());
  box.show();
  EXPECT_EQ(box.focusWidget(), box.OKButton);
  box.OKButton->click();
  EXPECT_EQ(box.result(), QDialog::Accepted);
  EXPECT_FALSE(box.isVisible());
}

}  // namespace
}  // namespace yumekaze::app

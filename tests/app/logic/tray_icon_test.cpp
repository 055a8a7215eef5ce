#include "app/desktop/tray_icon.h"

#include <gtest/gtest.h>

#include <QMenu>
#include <QPixmap>
#include <QTest>
#include <memory>
#include <stdexcept>
#include <vector>

#include "later_tick.h"

namespace yumekaze::app {
namespace {

using test::PassTimersDueWithin;

constexpr int kTimeoutMs = 10000;

// Runs the event loop past the moment a single click pending from now would fire.
bool PassSingleClickTime() {
  return PassTimersDueWithin(QApplication::doubleClickInterval() + 200);
}

QIcon SomePicture() {
  QPixmap pixmap(32, 32);
  pixmap.fill(Qt::blue);
  return QIcon(pixmap);
}

TEST(TrayIcon, NumbersFollowTheLastLiveIcon) {
  auto first = std::make_unique<TTrayIcon>(nullptr);
  auto second = std::make_unique<TTrayIcon>(nullptr);
  const int base = first->IconNumber();
  EXPECT_EQ(second->IconNumber(), base + 1);
  second.reset();
  auto third = std::make_unique<TTrayIcon>(nullptr);
  EXPECT_EQ(third->IconNumber(), base + 1);  // the last line's number plus one
  first.reset();
  auto fourth = std::make_unique<TTrayIcon>(nullptr);
  EXPECT_EQ(fourth->IconNumber(), base + 2);
}

TEST(TrayIcon, AHundredAndFirstIconCannotBeMade) {
  std::vector<std::unique_ptr<TTrayIcon>> icons;
  try {
    while (icons.size() < 200) icons.push_back(std::make_unique<TTrayIcon>(nullptr));
    FAIL() << "no limit";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "タスクトレイにアイコンを登録できません。");
  }
  EXPECT_LE(icons.size(), 100u);
  icons.pop_back();
  EXPECT_NO_THROW(icons.push_back(std::make_unique<TTrayIcon>(nullptr)));
}

TEST(TrayIcon, TipIsCutToSixtyTwoCharacters) {
  TTrayIcon icon(nullptr);
  EXPECT_EQ(icon.TipHelp(), "TipHelp");
  icon.SetTipHelp(QString(70, u'あ'));
  EXPECT_EQ(icon.TipHelp(), QString(62, u'あ'));
  icon.SetTipHelp(QString());
  EXPECT_TRUE(icon.TipHelp().isEmpty());
}

TEST(TrayIcon, BecomesVisibleOnlyWithAPicture) {
  TTrayIcon icon(nullptr);
  icon.SetVisible(true);
  EXPECT_FALSE(icon.Visible());
  EXPECT_FALSE(icon.Registered());
  icon.SetIcon(SomePicture());
  icon.SetVisible(true);
  EXPECT_TRUE(icon.Visible());
  EXPECT_TRUE(icon.Registered());
  icon.SetVisible(false);
  EXPECT_FALSE(icon.Visible());
  EXPECT_FALSE(icon.Registered());
}

struct TrayClicks : ::testing::Test {
  TTrayIcon icon{nullptr};
  int clicks = 0;
  int doubleClicks = 0;
  std::vector<Qt::MouseButton> downs;
  std::vector<Qt::MouseButton> ups;
  void Notify(TTrayMouseMessage message) { TTrayIcon::Notify(icon.IconNumber(), message); }
  void CountClicks() {
    icon.OnClick = [this](TTrayIcon*) { ++clicks; };
    icon.OnDblClick = [this](TTrayIcon*) { ++doubleClicks; };
  }
  void RecordButtons() {
    icon.OnMouseDown = [this](TTrayIcon*, Qt::MouseButton button, Qt::MouseButtons shift, int,
                              int) {
      EXPECT_EQ(shift, Qt::MouseButtons(button));
      downs.push_back(button);
    };
    icon.OnMouseUp = [this](TTrayIcon*, Qt::MouseButton button, Qt::MouseButtons, int, int) {
      ups.push_back(button);
    };
  }
};

TEST_F(TrayClicks, SingleClickFiresAfterTheDoubleClickTime) {
  CountClicks();
  Notify(TTrayMouseMessage::LeftDown);
  Notify(TTrayMouseMessage::LeftUp);
  EXPECT_TRUE(icon.ClickPending());
  EXPECT_EQ(clicks, 0);  // not before the timer has run
  EXPECT_TRUE(QTest::qWaitFor([&] { return clicks == 1; }, kTimeoutMs));
  EXPECT_FALSE(icon.ClickPending());
  EXPECT_EQ(doubleClicks, 0);
}

TEST_F(TrayClicks, DoubleClickFiresAtOnceAndSwallowsTheSingleClick) {
  CountClicks();
  Notify(TTrayMouseMessage::LeftDown);
  Notify(TTrayMouseMessage::LeftUp);
  Notify(TTrayMouseMessage::LeftDoubleClick);
  EXPECT_EQ(doubleClicks, 1);
  Notify(TTrayMouseMessage::LeftUp);
  EXPECT_FALSE(icon.ClickPending());
  ASSERT_TRUE(PassSingleClickTime());
  EXPECT_EQ(clicks, 0);
}

TEST_F(TrayClicks, MouseUpHandlerTakesReleasesFromClicks) {
  CountClicks();
  RecordButtons();
  Notify(TTrayMouseMessage::LeftDown);
  Notify(TTrayMouseMessage::LeftUp);
  Notify(TTrayMouseMessage::MiddleDown);
  Notify(TTrayMouseMessage::MiddleUp);
  Notify(TTrayMouseMessage::RightUp);
  EXPECT_FALSE(icon.ClickPending());
  EXPECT_EQ(downs, (std::vector<Qt::MouseButton>{Qt::LeftButton, Qt::MiddleButton}));
  EXPECT_EQ(ups, (std::vector<Qt::MouseButton>{Qt::LeftButton, Qt::MiddleButton, Qt::RightButton}));
  ASSERT_TRUE(PassSingleClickTime());
  EXPECT_EQ(clicks, 0);
}

TEST_F(TrayClicks, PressesPopUpTheirMenuInsteadOfMouseDown) {
  RecordButtons();
  QMenu left;
  left.addAction("left");
  QMenu right;
  right.addAction("right");
  icon.SetLBPopupMenu(&left);
  icon.SetRBPopupMenu(&right);
  Notify(TTrayMouseMessage::LeftDown);
  EXPECT_TRUE(left.isVisible());
  EXPECT_FALSE(right.isVisible());
  left.hide();
  // The right button's menu belongs to the notification area, which shows it at the icon.
  EXPECT_EQ(icon.SystemMenu(), &right);
  Notify(TTrayMouseMessage::RightDown);
  EXPECT_FALSE(right.isVisible());
  EXPECT_TRUE(downs.empty());

  icon.SetAutoPopup(false);
  EXPECT_EQ(icon.SystemMenu(), nullptr);
  Notify(TTrayMouseMessage::LeftDown);
  Notify(TTrayMouseMessage::RightDown);
  EXPECT_FALSE(left.isVisible());
  EXPECT_FALSE(right.isVisible());
  EXPECT_EQ(downs, (std::vector<Qt::MouseButton>{Qt::LeftButton, Qt::RightButton}));
  icon.SetAutoPopup(true);
  icon.SetEnabled(false);
  EXPECT_EQ(icon.SystemMenu(), nullptr);
}

TEST_F(TrayClicks, DisabledIconIgnoresEverything) {
  CountClicks();
  RecordButtons();
  QMenu menu;
  menu.addAction("item");
  icon.SetLBPopupMenu(&menu);
  icon.SetEnabled(false);
  Notify(TTrayMouseMessage::LeftDown);
  Notify(TTrayMouseMessage::LeftDoubleClick);
  Notify(TTrayMouseMessage::MiddleDown);
  EXPECT_FALSE(menu.isVisible());
  EXPECT_EQ(doubleClicks, 0);
  EXPECT_TRUE(downs.empty());
}

TEST_F(TrayClicks, DisablingClearsAPendingClick) {
  CountClicks();
  Notify(TTrayMouseMessage::LeftUp);
  EXPECT_TRUE(icon.ClickPending());
  icon.SetEnabled(false);
  EXPECT_FALSE(icon.ClickPending());
  ASSERT_TRUE(PassSingleClickTime());
  EXPECT_EQ(clicks, 0);
}

TEST_F(TrayClicks, UnknownNumbersAreIgnored) {
  CountClicks();
  TTrayIcon::Notify(-5, TTrayMouseMessage::LeftDoubleClick);
  EXPECT_EQ(doubleClicks, 0);
}

}  // namespace
}  // namespace yumekaze::app

// The windows read in the locale's language (Japanese: the program's own texts, exactly; else
// English), every control has an accessible name and description and is reached by Tab, and the
// position, the volume and the timer line are announced to assistive technology.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QPushButton>
#include <QSet>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <vector>

#include "app/dialogs/about_box.h"
#include "app/dialogs/form2.h"
#include "app/dialogs/ht_label.h"
#include "app/dialogs/sleep_warning.h"
#include "app/playlist/play_list_model.h"
#include "app/playlist/play_list_panel.h"
#include "app/window/form1.h"
#include "app/window/position_ring.h"
#include "platform/audio/wave_device_factory.h"
#include "test_support.h"

namespace yumekaze::app {
namespace {

bool HasJapanese(const QString& text) {
  for (const QChar c : text) {
    const char16_t u = c.unicode();
    if ((u >= 0x3040 && u <= 0x30ff) || (u >= 0x4e00 && u <= 0x9fff) ||
        (u >= 0xff00 && u <= 0xffef)) {
      return true;
    }
  }
  return false;
}

// The controls of a window: what a user presses, ticks, chooses, types into or scrolls through
// (the parts of a combo box and the list's header are the box's and the list's own).
std::vector<QWidget*> Controls(QWidget& window) {
  std::vector<QWidget*> controls;
  for (QWidget* w : window.findChildren<QWidget*>()) {
    const bool control = qobject_cast<QAbstractButton*>(w) || qobject_cast<QComboBox*>(w) ||
                         qobject_cast<QAbstractSpinBox*>(w) || qobject_cast<TPositionRing*>(w) ||
                         qobject_cast<THTLabel*>(w) ||
                         (qobject_cast<QAbstractItemView*>(w) && !qobject_cast<QHeaderView*>(w));
    bool part = false;
    for (QWidget* p = w->parentWidget(); p && p != &window; p = p->parentWidget()) {
      part = part || qobject_cast<QComboBox*>(p) || qobject_cast<QMenu*>(p);
    }
    if (control && !part && w->window() == &window) controls.push_back(w);
  }
  return controls;
}

QString Accessible(QWidget* w, QAccessible::Text text) {
  QAccessibleInterface* face = QAccessible::queryAccessibleInterface(w);
  return face ? face->text(text) : QString();
}

// The widgets that Tab visits from the window's first focus, once round.
QSet<QWidget*> TabRound(QWidget& window) {
  window.show();
  window.activateWindow();
  EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
  QSet<QWidget*> visited;
  for (int i = 0; i < 64; ++i) {
    QWidget* focus = QApplication::focusWidget();
    // A spin box's focus rests in its edit field.
    for (QWidget* w = focus; w && w != &window; w = w->parentWidget()) visited.insert(w);
    QTest::keyClick(focus ? focus : &window, Qt::Key_Tab);
  }
  return visited;
}

TEST(Language, WindowsSpeakTheLocalesLanguageWithEveryControlNamedAndReachedByTab) {
  test::TFakePrompts prompts;
  test::TFakePowerOff powerOff;
  TForm1 form1(platform::CreateWaveDevice("null"), prompts, [] { return true; });
  TForm2 form2(
      *form1.Label4, [] {}, powerOff, prompts, 10);
  TAboutBox about;
  form1.SetCompanions(&form2, &about);
  TPlayListPanel panel(form1, prompts);

  // The texts a user reads first in each window and in a notice, with their Japanese.
  std::vector<std::pair<QString, QString>> texts = {
      {form1.windowTitle(), "ぷれ～や～"},
      {form1.Button1->toolTip(), "再生"},
      {form1.Button5->toolTip(), "一時停止"},
      {form1.Button4->toolTip(), "前の曲へ戻る"},
      {form1.Button3->toolTip(), "次の曲へ進む"},
      {form1.Button6->toolTip(), "開く"},
      {form1.Button7->toolTip(), "スリープタイマーセット"},
      {form1.Button8->toolTip(), "アバウト"},
      {form1.BitBtn1->toolTip(), "最小化"},
      {form1.N1->text(), "再生(&P)"},
      {form1.N6->text(), "ファイルオープン(&O)"},
      {form1.N7->text(), "お休みタイマー(&T)"},
      {form1.AboutA1->text(), "バージョン情報(&A)"},
      {form1.R1->text(), "元のサイズに戻す(&R)"},
      {form1.Exit1->text(), "終了(&X)"},
      {form2.windowTitle(), "お休みタイマー"},
      {form2.CB1->text(), "タイマーを使う"},
      {form2.GB1->title(), "時間設定"},
      {form2.Label1->text(), "分"},
      {about.windowTitle(), "バージョン情報"},
      {panel.windowTitle(), "プレイリスト"},
      {form1.PlayList().headerData(TPlayListModel::kTitle, Qt::Horizontal).toString(), "タイトル"},
  };
  form2.CB1->setChecked(true);
  form2.BitBtn1->click();
  ASSERT_EQ(prompts.informations.size(), 1u);
  texts.push_back({prompts.informations[0].caption, "確認"});
  texts.push_back(
      {prompts.informations[0].text.section(u'\n', 0, 0), "タイマーをセットしました！"});
  texts.push_back({form1.Label4->text(), "あと5分"});
  form2.Warning->ShowCountdown(60, form2.CB2->currentText());
  texts.push_back({form2.Warning->windowTitle(), "お休みタイマー"});
  texts.push_back({form2.Warning->Text->text(), "あと60秒で電源を切る"});
  form2.Warning->hide();

  const bool japanese = QLocale::system().language() == QLocale::Japanese;
  for (const auto& [shown, japaneseText] : texts) {
    if (japanese) {
      EXPECT_EQ(shown, japaneseText);
    } else {
      EXPECT_FALSE(shown.isEmpty());
      EXPECT_FALSE(HasJapanese(shown)) << shown.toStdString();
    }
  }
  if (!japanese) {
    // Nothing anywhere in the windows or the menu is left in Japanese.
    for (QWidget* window : std::initializer_list<QWidget*>{&form1, &form2, &about, &panel}) {
      for (QWidget* w : window->findChildren<QWidget*>()) {
        QStringList shown = {w->windowTitle(), w->toolTip(), w->accessibleName(),
                             w->accessibleDescription()};
        if (auto* button = qobject_cast<QAbstractButton*>(w)) shown << button->text();
        if (auto* label = qobject_cast<QLabel*>(w)) shown << label->text();
        if (auto* box = qobject_cast<QGroupBox*>(w)) shown << box->title();
        if (auto* combo = qobject_cast<QComboBox*>(w)) {
          for (int i = 0; i < combo->count(); ++i) shown << combo->itemText(i);
        }
        for (QAction* action : w->actions()) shown << action->text();
        for (const QString& text : shown) EXPECT_FALSE(HasJapanese(text)) << text.toStdString();
      }
    }
  }

  // Names and descriptions for assistive technology; Tab reaches every control that can take
  // the keyboard (the ring follows the arrow keys of its window instead).
  form2.Timer1->stop();
  form2.CB1->setChecked(true);
  for (QWidget* window : std::initializer_list<QWidget*>{&form1, &form2, &panel, &about}) {
    const std::vector<QWidget*> controls = Controls(*window);
    EXPECT_FALSE(controls.empty());
    const QSet<QWidget*> visited = TabRound(*window);
    for (QWidget* control : controls) {
      const std::string id =
          control->metaObject()->className() +
          (" " + control->objectName() + " in " + window->windowTitle()).toStdString();
      EXPECT_FALSE(Accessible(control, QAccessible::Name).isEmpty()) << id;
      EXPECT_FALSE(Accessible(control, QAccessible::Description).isEmpty()) << id;
      if (control->isEnabled() && !qobject_cast<TPositionRing*>(control)) {
        EXPECT_TRUE(visited.contains(control)) << id << " is not reached by Tab";
      }
    }
    window->hide();
  }
}

TEST(Language, PositionIsASliderAndPositionVolumeAndTimerChangesAreAnnounced) {
  test::TFakePrompts prompts;
  test::TFakePowerOff powerOff;
  TForm1 form1(platform::CreateWaveDevice("null"), prompts, [] { return true; });
  TForm2 form2(
      *form1.Label4, [] {}, powerOff, prompts, 10);
  form1.SetCompanions(&form2, nullptr);
  auto* ring = form1.findChild<TPositionRing*>();
  ASSERT_NE(ring, nullptr);
  ring->SetFraction(0.5);
  QAccessibleValueInterface* value = QAccessible::queryAccessibleInterface(ring)->valueInterface();
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(value->currentValue().toInt(), 50);
  QSignalSpy picked(ring, &TPositionRing::Picked);
  value->setCurrentValue(25);
  ASSERT_EQ(picked.size(), 1);
  EXPECT_DOUBLE_EQ(picked[0][0].toDouble(), 0.25);

  // Qt hands events on only while an assistive technology listens (an AT-SPI bus that asks).
  if (!QAccessible::isActive()) GTEST_SKIP() << "no assistive technology listens";
  static std::vector<std::pair<QAccessible::Event, QObject*>> events;
  static QVariant lastValue;
  events.clear();
  const QAccessible::UpdateHandler before =
      QAccessible::installUpdateHandler([](QAccessibleEvent* event) {
        events.emplace_back(event->type(), event->object());
        if (event->type() == QAccessible::ValueChanged) {
          lastValue = static_cast<QAccessibleValueChangeEvent*>(event)->value();
        }
      });
  const auto announced = [](QAccessible::Event type, QObject* object) {
    return std::find(events.begin(), events.end(), std::pair{type, object}) != events.end();
  };
  ring->SetFraction(0.75);
  EXPECT_TRUE(announced(QAccessible::ValueChanged, ring));
  EXPECT_EQ(lastValue.toInt(), 75);
  form1.ChangeVolume(40);
  QLabel* volumeLine = nullptr;
  for (QLabel* label : form1.findChildren<QLabel*>()) {
    if (label->text().endsWith(u" 40")) volumeLine = label;
  }
  ASSERT_NE(volumeLine, nullptr);
  EXPECT_TRUE(announced(QAccessible::NameChanged, volumeLine));
  form2.CB1->setChecked(true);
  form2.BitBtn1->click();
  EXPECT_TRUE(announced(QAccessible::NameChanged, form1.Label4));
  form2.Warning->CancelButton->click();
  QAccessible::installUpdateHandler(before);
}

}  // namespace
}  // namespace yumekaze::app

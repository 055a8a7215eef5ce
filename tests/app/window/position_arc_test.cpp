// The position arc of the round window on the X server, as the screen shows it while a file plays
// and after the next one follows it without a gap.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "app/window/form1.h"
#include "app/window/position_ring.h"
#include "platform/audio/wave_device_factory.h"
#include "test_support.h"
#include "x_input.h"

namespace yumekaze::app::test {
namespace {

constexpr int kTimeoutMs = 30000;
// The arc moves once a second of the file, 1/60 of its length for the files here.
constexpr double kMargin = 0.04;
const QColor kPlayed(170, 255, 120);
const QColor kTrack(0, 72, 0);

bool Near(const QColor& a, const QColor& b, int tolerance = 40) {
  return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
         std::abs(a.blue() - b.blue()) <= tolerance;
}

class PositionArc : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!input_.Connected()) GTEST_SKIP() << "no X display (run under xvfb-run)";
    a_ = audio_.MakeTone("a.mp3", 60);
    if (a_.isEmpty()) GTEST_SKIP() << "sox and twolame are needed to make test audio";
    b_ = audio_.MakeTone("b.mp3", 60);
    qputenv("XDG_CONFIG_HOME", config_.path().toUtf8());
    form1_ = std::make_unique<TForm1>(platform::CreateWaveDevice("null:8"), prompts_,
                                      [] { return false; });
    form1_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form1_.get()));
    ring_ = form1_->findChild<TPositionRing*>();
    ASSERT_NE(ring_, nullptr);
  }

  // How far the playing file has played, 0..1.
  double Played() const {
    const int64_t total = form1_->MP3->TotalMilliseconds();
    return total > 0 ? double(form1_->PlayedMilliseconds()) / double(total) : 0;
  }

  // Where the screen shows the arc wrong for the playing file: places short of how far it has
  // played (less the margin) not in the played colour, and places beyond it not in the track's.
  // Empty when the arc is right.
  QString WrongArc() const {
    const double played = Played();
    const QImage screen = Grab();
    const double playedAfter = Played();
    QString wrong;
    const auto check = [&](double from, double to, const QColor& colour) {
      for (double f = from; f < to; f += 0.0025) {
        const QColor shown = screen.pixelColor(ring_->mapToGlobal(ring_->PointAt(f)).toPoint());
        if (!Near(shown, colour)) wrong += QStringLiteral(" %1:%2").arg(f).arg(shown.name());
      }
    };
    check(0.005, played - kMargin, kPlayed);
    check(playedAfter + kMargin, 0.995, kTrack);
    return wrong;
  }

  static QImage Grab() {
    return QGuiApplication::primaryScreen()->grabWindow(0).toImage().convertToFormat(
        QImage::Format_RGB32);
  }

  TXInput input_;
  TAudioFiles audio_;
  QString a_, b_;
  QTemporaryDir config_;
  TFakePrompts prompts_;
  std::unique_ptr<TForm1> form1_;
  TPositionRing* ring_ = nullptr;
};

// The arc grows through a position update per second of the file; each repaints only the part
// that changed, so a part left out shows on the screen until the window is drawn anew.
TEST_F(PositionArc, GrowsWholeAndStartsAfreshWithTheNextFile) {
  form1_->AddToPlayList({a_, b_}, true);
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return form1_->CurrentFile() == a_ && Played() > 0.6; }, kTimeoutMs));
  QString wrong;
  // Waits for the screen to catch up with the file, not for the file's end.
  EXPECT_TRUE(QTest::qWaitFor(
      [&] {
        if (form1_->CurrentFile() != a_) return true;
        wrong = WrongArc();
        return wrong.isEmpty();
      },
      kTimeoutMs));
  EXPECT_TRUE(wrong.isEmpty()) << "the arc is broken at" << wrong.toStdString();

  // The next file follows without a gap: the first one's arc goes, up to where the new one is.
  ASSERT_TRUE(QTest::qWaitFor([&] { return form1_->CurrentFile() == b_; }, kTimeoutMs));
  EXPECT_TRUE(QTest::qWaitFor(
      [&] {
        wrong = WrongArc();
        return wrong.isEmpty() || Played() > 0.5;
      },
      kTimeoutMs));
  EXPECT_TRUE(wrong.isEmpty()) << "the previous file's arc stays at" << wrong.toStdString();
}

}  // namespace
}  // namespace yumekaze::app::test

#include "app/application.h"

#include <gtest/gtest.h>

#include <QEvent>
#include <QTest>
#include <QTimer>
#include <stdexcept>

#include "test_support.h"

namespace yumekaze::app {
namespace {

// An event handler that lets an exception escape.
class TThrowingReceiver final : public QObject {
 public:
  int handled = 0;

 protected:
  bool event(QEvent* event) override {
    if (event->type() != QEvent::User) return QObject::event(event);
    ++handled;
    throw std::runtime_error("nothing caught this");
  }
};

TEST(Application, IsTitledYumekaze) {
  EXPECT_EQ(QGuiApplication::applicationDisplayName(), "Yumekaze");
  EXPECT_FALSE(QGuiApplication::quitOnLastWindowClosed());
}

TEST(Application, UncaughtExceptionIsReportedAndTheProgramGoesOn) {
  test::TFakePrompts& prompts = test::ApplicationPrompts();
  const size_t before = prompts.warnings.size();
  TThrowingReceiver receiver;
  QCoreApplication::postEvent(&receiver, new QEvent(QEvent::User));
  QCoreApplication::postEvent(&receiver, new QEvent(QEvent::User));
  bool later = false;
  QTimer::singleShot(0, [&] { later = true; });
  QCoreApplication::processEvents();
  QCoreApplication::processEvents();
  EXPECT_EQ(receiver.handled, 2);
  ASSERT_EQ(prompts.warnings.size(), before + 2);
  EXPECT_EQ(prompts.warnings.back().text, "nothing caught this");
  EXPECT_EQ(prompts.warnings.back().caption, "Yumekaze");
  EXPECT_TRUE(later);
}

TEST(Application, ReportIsShownFromTheEventLoopNotFromInsideTheDispatch) {
  test::TFakePrompts& prompts = test::ApplicationPrompts();
  const size_t before = prompts.warnings.size();
  TThrowingReceiver receiver;
  QEvent event(QEvent::User);
  QCoreApplication::sendEvent(&receiver, &event);
  EXPECT_EQ(receiver.handled, 1);
  EXPECT_EQ(prompts.warnings.size(), before);
  EXPECT_TRUE(QTest::qWaitFor([&] { return prompts.warnings.size() == before + 1; }, 5000));
}

}  // namespace
}  // namespace yumekaze::app

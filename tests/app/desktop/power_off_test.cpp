// The sleep timer's question to logind, against a stand-in for logind on the test's private bus
// (taken as the system bus here): the answers arrive later, and one that never comes times out
// without ever blocking the caller.
#include "app/desktop/power_off.h"

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QTest>
#include <optional>
#include <utility>

namespace yumekaze::app::test {
namespace {

class FakeLogind final : public QDBusVirtualObject {
 public:
  bool answers = true;
  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    if (!answers) {
      message.setDelayedReply(true);  // and never replied to
      return true;
    }
    const QString answer = message.member() == u"CanSuspend" ? "yes" : "na";
    connection.send(message.createReply(answer));
    return true;
  }
  QString introspect(const QString&) const override { return {}; }
};

TEST(LogindPowerOff, AnswersComeWithoutBlockingAndASilentLogindTimesOut) {
  if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
    GTEST_SKIP() << "no private bus (run under dbus-run-session)";
  QDBusConnection service = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "logind");
  FakeLogind logind;
  ASSERT_TRUE(service.registerVirtualObject("/org/freedesktop/login1", &logind));
  ASSERT_TRUE(service.registerService("org.freedesktop.login1"));

  TLogindPowerOff powerOff;
  std::optional<std::pair<bool, bool>> allowed;
  const auto ask = [&] {
    allowed.reset();
    powerOff.AskAllowed([&](bool suspend, bool off) { allowed = {suspend, off}; });
  };
  ask();
  ASSERT_TRUE(QTest::qWaitFor([&] { return allowed.has_value(); }, 10000));
  EXPECT_EQ(*allowed, std::make_pair(true, false));

  logind.answers = false;
  ask();
  EXPECT_FALSE(allowed.has_value()) << "answered before logind did";
  ASSERT_TRUE(QTest::qWaitFor([&] { return allowed.has_value(); }, 15000));
  EXPECT_EQ(*allowed, std::make_pair(false, false));
  service.unregisterService("org.freedesktop.login1");
  QDBusConnection::disconnectFromBus("logind");
}

}  // namespace
}  // namespace yumekaze::app::test

// What the desktop's shell shows for the player, against stand-ins on the test's private bus: a
// StatusNotifierItem watcher (the tray of KDE, XFCE, GNOME's AppIndicator extension) that reads
// the icon's menu, and a notification server that receives the sleep timer's last minute.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>
#include <QThread>

#include "app/desktop/tray_icon.h"
#include "app/dialogs/sleep_warning.h"
#include "app/window/pictures.h"
#include "desktop_support.h"

namespace yumekaze::app::test {
namespace {

// Runs a command without blocking the event loop, which may have to answer it.
QString OutputServing(const QStringList& command) {
  QProcess process;
  process.setProcessChannelMode(QProcess::MergedChannels);
  process.start(command.first(), command.mid(1));
  WaitFor([&] { return process.state() == QProcess::NotRunning; });
  return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

TEST(DesktopShell, TheTrayIconCarriesTheMenuToAStatusNotifierHost) {
  if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) {
    GTEST_SKIP() << "no private bus (run under dbus-run-session)";
  }
  StandIn watcher(R"(<interface name="org.kde.StatusNotifierWatcher">
    <method name="RegisterStatusNotifierItem"><arg type="s" direction="in"/></method>
    <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
    <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
    <property name="ProtocolVersion" type="i" access="read"/></interface>)");
  watcher.properties = {{"IsStatusNotifierHostRegistered", true},
                        {"RegisteredStatusNotifierItems", QStringList()},
                        {"ProtocolVersion", 0}};
  // Qt asks the watcher with calls that block until answered.
  QThread thread;
  thread.start();
  watcher.moveToThread(&thread);
  const auto stop = qScopeGuard([&] {
    thread.quit();
    thread.wait();
  });
  Service service("org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher", watcher);
  ASSERT_TRUE(service.registered);
  // Qt looks for the host once, when the first tray icon asks.
  ASSERT_TRUE(TTrayIcon::SystemTrayAvailable())
      << "the tray icon was asked for before the watcher came";

  QMenu menu;
  menu.addAction("再生(&P)");
  menu.addSeparator();
  menu.addAction("終了(&X)");
  TTrayIcon icon(nullptr);
  icon.SetIcon(ProgramIcon());
  icon.SetRBPopupMenu(&menu);
  icon.SetVisible(true);
  ASSERT_TRUE(WaitFor([&] { return watcher.Members().contains("RegisterStatusNotifierItem"); }));
  const QString item = watcher.Calls().last().arguments().value(0).toString();

  // The host asks the item for its menu and reads the menu's layout, as a panel does.
  const QString menuPath = OutputServing(
      {"gdbus", "call", "--session", "--dest", item, "--object-path", "/StatusNotifierItem",
       "--method", "org.freedesktop.DBus.Properties.Get", "org.kde.StatusNotifierItem", "Menu"});
  const QString path = menuPath.section('\'', 1, 1);
  ASSERT_FALSE(path.isEmpty()) << menuPath.toStdString();
  const QString layout =
      OutputServing({"gdbus", "call", "--session", "--dest", item, "--object-path", path,
                     "--method", "com.canonical.dbusmenu.GetLayout", "--", "0", "-1", "[]"});
  EXPECT_TRUE(layout.contains("再生(_P)")) << layout.toStdString();
  EXPECT_TRUE(layout.contains("終了(_X)")) << layout.toStdString();
}

TEST(DesktopShell, TheSleepTimersLastMinuteReachesTheNotificationServer) {
  if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) {
    GTEST_SKIP() << "no private bus (run under dbus-run-session)";
  }
  TSleepWarning warning;
  // No server: the window's own notice alone, and nothing waits.
  warning.ShowCountdown(60, "再生を停止します");
  EXPECT_TRUE(warning.isVisible());
  warning.hide();

  NotificationServer server;
  server.lastId = 40;
  Service service("org.freedesktop.Notifications", "/org/freedesktop/Notifications", server);
  ASSERT_TRUE(service.registered);
  const auto notifies = [&] { return server.Members().count("Notify"); };

  for (const bool actions : {true, false}) {
    SCOPED_TRACE(actions);
    server.capabilities = actions ? QStringList{"body", "actions"} : QStringList{"body"};
    TSleepWarning shown;
    int cancelled = 0;
    QObject::connect(&shown, &TSleepWarning::Cancelled, [&] { ++cancelled; });
    server.Clear();
    shown.ShowCountdown(60, "再生を停止して電源を切ります");
    ASSERT_TRUE(WaitFor([&] { return notifies() == 1; }));
    EXPECT_EQ(server.Members(), QStringList({"GetCapabilities", "Notify"}));
    const QVariantList notify = server.Calls().last().arguments();
    EXPECT_EQ(notify.value(1).toUInt(), 0u);  // replaces none
    EXPECT_EQ(notify.value(3).toString(), "お休みタイマー");
    EXPECT_EQ(notify.value(4).toString(), "あと60秒で再生を停止して電源を切ります");
    EXPECT_EQ(notify.value(5).toStringList(),
              actions ? QStringList({"cancel", "Cancel"}) : QStringList());
    EXPECT_EQ(notify.value(7).toInt(), 60000);

    // A second showing takes the place of the first notice.
    const uint first = server.lastId;
    shown.ShowCountdown(60, "再生を停止します");
    ASSERT_TRUE(WaitFor([&] { return notifies() == 2; }));
    EXPECT_EQ(server.Calls().last().arguments().value(1).toUInt(), first);

    // Another program's notice does not count; this one's Cancel does, and the notice goes.
    for (const uint sender : {server.lastId + 100, server.lastId}) {
      QDBusMessage signal = QDBusMessage::createSignal(
          "/org/freedesktop/Notifications", "org.freedesktop.Notifications", "ActionInvoked");
      signal << sender << QString("cancel");
      service.connection.send(signal);
    }
    ASSERT_TRUE(WaitFor([&] { return server.Members().contains("CloseNotification"); }));
    EXPECT_EQ(cancelled, 1);
    EXPECT_FALSE(shown.isVisible());
    EXPECT_EQ(server.Calls().last().arguments().value(0).toUInt(), server.lastId);
  }
  // A server that reads markup in bodies gets the text escaped.
  server.capabilities = QStringList{"body", "body-markup"};
  server.Clear();
  {
    TSleepWarning marked;
    marked.ShowCountdown(60, "A & <B>");
    ASSERT_TRUE(WaitFor([&] { return notifies() == 1; }));
    EXPECT_EQ(server.Calls().last().arguments().value(4).toString(), "あと60秒でA &amp; &lt;B&gt;");
  }
  // A notice still up when the program ends goes with it.
  server.Clear();
  {
    TSleepWarning ending;
    ending.ShowCountdown(60, "再生を停止します");
    ASSERT_TRUE(WaitFor([&] { return notifies() == 1; }));
    ending.ShowCountdown(59, "再生を停止します");  // sent once the first one's id is known
    ASSERT_TRUE(WaitFor([&] { return notifies() == 2; }));
  }
  EXPECT_TRUE(WaitFor([&] { return server.Members().contains("CloseNotification"); }));
}

}  // namespace
}  // namespace yumekaze::app::test

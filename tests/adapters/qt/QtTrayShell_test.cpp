#include "adapters/qt/QtTrayShell.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QVariantMap>
#include <vector>

#include "GuiTestSupport.h"

namespace tg {
namespace {

using testing::RunEventsUntil;
using testing::RunPendingEvents;

// A notification server on its own connection: records what it is asked and sends the signals a
// real server sends.
class FakeNotificationServer : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

 public:
  FakeNotificationServer()
      : bus_(QDBusConnection::connectToBus(qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"),
                                           "fake-notification-server")) {}
  ~FakeNotificationServer() override {
    bus_.unregisterService("org.freedesktop.Notifications");
    bus_.unregisterObject("/org/freedesktop/Notifications");
    QDBusConnection::disconnectFromBus("fake-notification-server");
  }
  bool registerOnBus() {
    return bus_.isConnected() &&
           bus_.registerObject("/org/freedesktop/Notifications", this,
                               QDBusConnection::ExportAllSlots) &&
           bus_.registerService("org.freedesktop.Notifications");
  }
  void closed(uint id, uint reason) { emitSignal("NotificationClosed", {id, reason}); }
  void actionInvoked(uint id, const QString& action) { emitSignal("ActionInvoked", {id, action}); }

  struct Request {
    QString app, summary, body;
    QStringList actions;
    int expire;
  };
  std::vector<Request> requests;
  std::vector<uint> closeRequests;
  uint nextId = 41;

 public slots:
  uint Notify(const QString& app, uint, const QString&, const QString& summary, const QString& body,
              const QStringList& actions, const QVariantMap&, int expire) {
    requests.push_back({app, summary, body, actions, expire});
    return ++nextId;
  }
  void CloseNotification(uint id) {
    closeRequests.push_back(id);
    closed(id, 3);
  }
  QStringList GetCapabilities() { return {"actions", "body"}; }

 private:
  void emitSignal(const QString& name, const QVariantList& arguments) {
    QDBusMessage signal = QDBusMessage::createSignal("/org/freedesktop/Notifications",
                                                     "org.freedesktop.Notifications", name);
    signal.setArguments(arguments);
    bus_.send(signal);
  }
  QDBusConnection bus_;
};

class TrayShellTest : public ::testing::Test {
 protected:
  TrayShellTest() {
    shell.onNotification([this](int code, int) { codes.push_back(code); });
    shell.trayPresent = [this] { return trayThere; };  // offscreen has none: one is played
  }
  bool codeArrived(int code) {
    return RunEventsUntil(
        [&] { return std::find(codes.begin(), codes.end(), code) != codes.end(); });
  }

  QtTrayShell shell{QIcon()};
  std::vector<int> codes;
  bool trayThere = true;
};

TEST_F(TrayShellTest, ClicksOnTheIconBecomeButtonCodes) {
  shell.addIcon("Tallyguard", true);
  RunPendingEvents();
  ASSERT_NE(shell.trayIcon(), nullptr);
  emit shell.trayIcon()->activated(QSystemTrayIcon::Trigger);
  emit shell.trayIcon()->activated(QSystemTrayIcon::Context);
  emit shell.trayIcon()->activated(QSystemTrayIcon::DoubleClick);
  emit shell.trayIcon()->activated(QSystemTrayIcon::MiddleClick);
  EXPECT_THAT(codes,
              ::testing::ElementsAre(TrayLeftButtonDown, TrayLeftButtonUp, TrayRightButtonDown,
                                     TrayRightButtonUp, TrayLeftButtonDoubleClick));
}

// The tray is first shown the tip given right after the icon, never the one it was added with.
TEST_F(TrayShellTest, IconTipAndRemoval) {
  shell.addIcon("Telnet Server", true);
  shell.setTip("Tallyguard");
  RunPendingEvents();
  ASSERT_NE(shell.trayIcon(), nullptr);
  EXPECT_EQ(shell.trayIcon()->toolTip(), "Tallyguard");
  EXPECT_TRUE(shell.trayIcon()->isVisible());
  shell.setTip("Other");
  EXPECT_EQ(shell.trayIcon()->toolTip(), "Other");
  shell.deleteIcon();
  EXPECT_FALSE(shell.trayIcon()->isVisible());
}

// Without a tray the icon waits, and the window hears there is none; it is made, with the tip
// and menu asked for meanwhile, when a tray comes.
TEST_F(TrayShellTest, AnIconAskedForBeforeATrayComesAppearsWithIt) {
  trayThere = false;
  shell.setMenu({"Show Tallyguard"});
  shell.addIcon("Tallyguard", true);
  RunPendingEvents();
  EXPECT_EQ(shell.trayIcon(), nullptr);
  EXPECT_FALSE(shell.available());
  shell.setTip("Tallyguard - next backup at 10:00");
  trayThere = true;
  shell.trayAppeared();
  ASSERT_NE(shell.trayIcon(), nullptr);
  EXPECT_TRUE(shell.trayIcon()->isVisible());
  EXPECT_EQ(shell.trayIcon()->toolTip(), "Tallyguard - next backup at 10:00");
  EXPECT_EQ(shell.trayIcon()->contextMenu(), &shell.menu());
  EXPECT_TRUE(shell.available());
}

TEST_F(TrayShellTest, WithoutServerQtsOwnBalloonReportsItsTimeout) {
  shell.showBalloon("text", "title", 50);
  EXPECT_FALSE(shell.usedNotificationServer());
  EXPECT_TRUE(codeArrived(TrayBalloonTimeout));
}

TEST_F(TrayShellTest, WithdrawingQtsOwnBalloonReportsItHidden) {
  shell.showBalloon("text", "title", 60000);
  shell.withdrawBalloon();
  EXPECT_TRUE(codeArrived(TrayBalloonHide));
  EXPECT_EQ(std::count(codes.begin(), codes.end(), TrayBalloonTimeout), 0);
}

class ServerTest : public TrayShellTest {
 protected:
  void SetUp() override {
    if (!server.registerOnBus()) GTEST_SKIP() << "no private D-Bus session bus";
  }
  // Shows a balloon and waits until the server has given it an id.
  uint show(std::string_view text, int timeoutMs) {
    shell.showBalloon(text, "Tallyguard", timeoutMs);
    EXPECT_TRUE(RunEventsUntil([&] { return shell.notificationId().has_value(); }));
    return shell.notificationId().value_or(0);
  }
  FakeNotificationServer server;
};

TEST_F(ServerTest, BalloonGoesToTheServerAsPlainTextWithItsTimeAndDefaultAction) {
  show("has been minimized.\r\nClick <here> & back.", 5000);
  ASSERT_EQ(server.requests.size(), 1u);
  const auto& request = server.requests[0];
  EXPECT_TRUE(shell.usedNotificationServer());
  EXPECT_EQ(request.app, "Tallyguard");
  EXPECT_EQ(request.summary, "Tallyguard");
  EXPECT_EQ(request.body, "has been minimized.\nClick &lt;here&gt; &amp; back.");
  EXPECT_TRUE(request.actions.contains("default"));
  EXPECT_EQ(request.expire, 5000);

  shell.showBalloon("again", "Tallyguard", 0);
  ASSERT_TRUE(RunEventsUntil([&] { return server.requests.size() == 2; }));
  EXPECT_EQ(server.requests.back().expire, -1);  // the server's own default
}

TEST_F(ServerTest, ServerSignalsBecomeBalloonCodesForTheShownNotificationOnly) {
  uint id = show("text", 5000);
  server.closed(id + 100, 1);  // somebody else's notification
  server.closed(id, 1);
  ASSERT_TRUE(codeArrived(TrayBalloonTimeout));
  EXPECT_EQ(codes.size(), 1u);

  id = show("text", 5000);
  server.closed(id, 2);
  EXPECT_TRUE(codeArrived(TrayBalloonHide));

  id = show("text", 5000);
  server.actionInvoked(id, "default");
  EXPECT_TRUE(codeArrived(TrayBalloonUserClick));
}

TEST_F(ServerTest, WithdrawalClosesTheNotificationEvenBeforeItsIdArrived) {
  const uint id = show("text", 5000);
  shell.withdrawBalloon();
  ASSERT_TRUE(RunEventsUntil([&] { return !server.closeRequests.empty(); }));
  EXPECT_EQ(server.closeRequests[0], id);
  EXPECT_TRUE(codeArrived(TrayBalloonHide));

  shell.showBalloon("quick", "Tallyguard", 5000);
  shell.withdrawBalloon();  // Notify has not answered yet
  ASSERT_TRUE(RunEventsUntil([&] { return server.closeRequests.size() == 2; }));
  EXPECT_EQ(server.closeRequests[1], server.nextId);
}

}  // namespace
}  // namespace tg

#include "QtTrayShell_test.moc"

#pragma once
// The desktop's notification area through Qt: QSystemTrayIcon for the icon, its tip and its
// clicks; balloons through the desktop's notification server (org.freedesktop.Notifications)
// when one answers on the session bus, otherwise Qt's own balloon. Both report back with the
// codes the tray control knows. The Qt icon is made only once a tray is there (see
// QtTrayPresence); until then the icon the window asked for waits here.

#include <QDBusConnection>
#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "adapters/qt/QtTrayPresence.h"
#include "common/ports/TrayShell.h"

namespace tg {

class QtTrayShell : public QObject, public TrayShell {
  Q_OBJECT

 public:
  explicit QtTrayShell(QIcon icon);
  ~QtTrayShell() override;

  void addIcon(std::string_view tip, bool withIcon) override;
  void setIcon() override;
  void setTip(std::string_view tip) override;
  void showBalloon(std::string_view text, std::string_view title, int timeoutMs) override;
  void withdrawBalloon() override;
  void deleteIcon() override;
  void onNotification(std::function<void(int code, int id)> callback) override;
  bool available() const override;

  // Desktops open the menu themselves, on a right click or on any click when that is all they do.
  void setMenu(std::vector<std::string> captions) override;
  void openMenu() override {}
  void onMenuChoice(std::function<void(std::size_t position)> callback) override;
  QMenu& menu() { return menu_; }
  // Whether a tray is there now; a widget test on a display without a tray plays one here.
  std::function<bool()> trayPresent;
  // Makes the icon the window asked for, now that a tray is there.
  void trayAppeared();

  // The Qt icon, once a tray took it; null before.
  QSystemTrayIcon* trayIcon() { return icon_.get(); }
  const QString& tip() const { return tip_; }
  // The notification the server holds for the balloon now shown, if any.
  std::optional<uint> notificationId() const { return notificationId_; }
  bool usedNotificationServer() const { return usedServer_; }

 private slots:
  // Signals of the notification server; only the notification now shown counts.
  void onNotificationClosed(uint id, uint reason);
  void onActionInvoked(uint id, const QString& action);

 private:
  void notify(int code);
  // Shows, hides or retips the Qt icon as the window last asked, making it when a tray is there.
  void realise();
  void makeIcon();
  void onActivated(QSystemTrayIcon::ActivationReason reason);
  bool notificationServerPresent();
  void showThroughServer(const QString& text, const QString& title, int timeoutMs);
  void showQtBalloon(const QString& text, const QString& title, int timeoutMs);
  void closeNotification(uint id);

  QIcon picture_;
  QtTrayPresence presence_;
  std::unique_ptr<QSystemTrayIcon> icon_;
  bool wanted_ = false;
  bool withPicture_ = true;
  QString tip_;
  QMenu menu_;
  std::function<void(int, int)> callback_;
  std::function<void(std::size_t)> menuChoice_;
  std::optional<QDBusConnection> bus_;
  std::optional<uint> notificationId_;
  bool closeWhenIdKnown_ = false;
  bool usedServer_ = false;
  QTimer qtBalloonTimer_;
};

// The session bus, but only one that was set up for this session: with no address given, Qt
// would launch a stray bus of its own.
std::optional<QDBusConnection> SessionBusIfGiven();

// The desktop notification server's Notify call for this program, with the text as plain text.
QDBusMessage NotifyCall(const QString& title, const QString& text, uint replaces, int expireMs,
                        const QStringList& actions);
// Tells `text` in one desktop notification; false when no notification server answered.
bool TellInNotification(const QString& title, const QString& text);

}  // namespace tg

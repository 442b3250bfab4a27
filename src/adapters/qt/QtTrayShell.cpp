#include "adapters/qt/QtTrayShell.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QFileInfo>
#include <QVariantMap>

#include "adapters/qt/QtControls.h"
#include "adapters/qt/QtDialogs.h"

namespace tg {

namespace {

const QString NotificationsService = "org.freedesktop.Notifications";
const QString NotificationsPath = "/org/freedesktop/Notifications";
const QString NotificationsInterface = "org.freedesktop.Notifications";

// The reasons a notification server gives when a notification closes.
constexpr uint ClosedExpired = 1;

// Qt's own balloon has no timeout signal; with no timeout given it stays this long.
constexpr int QtBalloonDefaultMs = 10000;

// Notification bodies may carry markup; the balloon text is plain.
QString PlainBody(const QString& text) { return text.toHtmlEscaped(); }

}  // namespace

QDBusMessage NotifyCall(const QString& title, const QString& text, uint replaces, int expireMs,
                        const QStringList& actions) {
  QDBusMessage call = QDBusMessage::createMethodCall(NotificationsService, NotificationsPath,
                                                     NotificationsInterface, "Notify");
  QVariantMap hints;
  hints.insert("desktop-entry", "tallyguard");
  call << QString("Tallyguard") << replaces << QString("tallyguard") << title << PlainBody(text)
       << actions << hints << expireMs;
  return call;
}

bool TellInNotification(const QString& title, const QString& text) {
  std::optional<QDBusConnection> bus = SessionBusIfGiven();
  if (!bus) return false;
  const QDBusMessage reply = bus->call(NotifyCall(title, text, 0, -1, {}), QDBus::Block, 5000);
  return reply.type() == QDBusMessage::ReplyMessage;
}

std::optional<QDBusConnection> SessionBusIfGiven() {
  const bool addressGiven = !qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS");
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  const bool userBus = !runtime.isEmpty() && QFileInfo::exists(runtime + "/bus");
  if (!addressGiven && !userBus) return std::nullopt;
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return std::nullopt;
  return bus;
}

QtTrayShell::QtTrayShell(QIcon icon) : picture_(std::move(icon)) {
  trayPresent = [this] { return presence_.present(); };
  QObject::connect(&presence_, &QtTrayPresence::appeared, this, &QtTrayShell::trayAppeared);
  qtBalloonTimer_.setSingleShot(true);
  QObject::connect(&qtBalloonTimer_, &QTimer::timeout, this,
                   [this] { notify(TrayBalloonTimeout); });
  bus_ = SessionBusIfGiven();
  if (bus_) {
    bus_->connect(NotificationsService, NotificationsPath, NotificationsInterface,
                  "NotificationClosed", this, SLOT(onNotificationClosed(uint, uint)));
    bus_->connect(NotificationsService, NotificationsPath, NotificationsInterface, "ActionInvoked",
                  this, SLOT(onActionInvoked(uint, QString)));
  }
}

QtTrayShell::~QtTrayShell() {
  if (notificationId_) closeNotification(*notificationId_);
}

// The desktop shows the icon from the next turn of the event loop: the window names its icon
// right after asking for it, and a tray should never first show the name it had before.
void QtTrayShell::addIcon(std::string_view tip, bool withIcon) {
  wanted_ = true;
  withPicture_ = withIcon;
  tip_ = ToQString(tip);
  QTimer::singleShot(0, this, [this] { realise(); });
}

void QtTrayShell::setIcon() {
  withPicture_ = true;
  if (icon_) icon_->setIcon(picture_);
}

void QtTrayShell::setTip(std::string_view tip) {
  tip_ = ToQString(tip);
  if (icon_) icon_->setToolTip(tip_);
}

void QtTrayShell::deleteIcon() {
  withdrawBalloon();
  wanted_ = false;
  if (icon_) icon_->hide();
}

// Once made, Qt's icon follows the tray itself: an XEmbed tray or a StatusNotifierItem watcher
// that restarts takes it again. An icon not made yet is made on the next turn of the loop.
bool QtTrayShell::available() const { return trayPresent(); }

void QtTrayShell::trayAppeared() { realise(); }

void QtTrayShell::realise() {
  if (!wanted_ && !icon_) return;
  if (!icon_ && !trayPresent()) {
    presence_.watchForTray();
    return;
  }
  if (!icon_) makeIcon();
  icon_->setIcon(withPicture_ ? picture_ : QIcon());
  icon_->setToolTip(tip_);
  icon_->setVisible(wanted_);
}

void QtTrayShell::makeIcon() {
  icon_ = std::make_unique<QSystemTrayIcon>();
  QObject::connect(icon_.get(), &QSystemTrayIcon::activated, this,
                   [this](QSystemTrayIcon::ActivationReason reason) { onActivated(reason); });
  QObject::connect(icon_.get(), &QSystemTrayIcon::messageClicked, this, [this] {
    qtBalloonTimer_.stop();
    notify(TrayBalloonUserClick);
  });
  if (!menu_.isEmpty()) icon_->setContextMenu(&menu_);
}

void QtTrayShell::setMenu(std::vector<std::string> captions) {
  menu_.clear();
  for (std::size_t position = 0; position < captions.size(); ++position) {
    QObject::connect(menu_.addAction(ToQString(captions[position])), &QAction::triggered, this,
                     [this, position] {
                       if (menuChoice_) menuChoice_(position);
                     });
  }
  if (icon_) icon_->setContextMenu(&menu_);
}

void QtTrayShell::onMenuChoice(std::function<void(std::size_t position)> callback) {
  menuChoice_ = std::move(callback);
}

void QtTrayShell::onNotification(std::function<void(int code, int id)> callback) {
  callback_ = std::move(callback);
}

void QtTrayShell::notify(int code) {
  if (callback_) callback_(code, 0);
}

// The desktop reports whole clicks; the control expects the button's down and up.
void QtTrayShell::onActivated(QSystemTrayIcon::ActivationReason reason) {
  switch (reason) {
    case QSystemTrayIcon::Trigger:
      notify(TrayLeftButtonDown);
      notify(TrayLeftButtonUp);
      break;
    case QSystemTrayIcon::Context:
      notify(TrayRightButtonDown);
      notify(TrayRightButtonUp);
      break;
    case QSystemTrayIcon::DoubleClick:
      notify(TrayLeftButtonDoubleClick);
      break;
    default:
      break;  // the middle button means nothing to the control
  }
}

void QtTrayShell::showBalloon(std::string_view text, std::string_view title, int timeoutMs) {
  const QString body = MessageText(text);
  const QString summary = ToQString(title);
  if (notificationServerPresent()) {
    showThroughServer(body, summary, timeoutMs);
  } else {
    showQtBalloon(body, summary, timeoutMs);
  }
}

bool QtTrayShell::notificationServerPresent() {
  if (!bus_) return false;
  QDBusConnectionInterface* daemon = bus_->interface();
  if (daemon == nullptr) return false;
  if (daemon->isServiceRegistered(NotificationsService).value()) return true;
  // A server started on demand by the bus (dunst is) counts as present.
  const QDBusMessage call =
      QDBusMessage::createMethodCall("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                     "org.freedesktop.DBus", "ListActivatableNames");
  const QDBusMessage reply = bus_->call(call, QDBus::Block, 1000);
  return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
         reply.arguments().front().toStringList().contains(NotificationsService);
}

void QtTrayShell::showThroughServer(const QString& text, const QString& title, int timeoutMs) {
  usedServer_ = true;
  // No time of our own: the server's default, as the shell's own timeout applies.
  const int expire = timeoutMs > 0 ? timeoutMs : -1;
  // A balloon still shown is replaced; until the server answers, no notification is ours.
  const uint replaces = notificationId_.value_or(0u);
  notificationId_.reset();
  const QDBusMessage call = NotifyCall(title, text, replaces, expire, {"default", "Open"});
  closeWhenIdKnown_ = false;
  auto* watcher = new QDBusPendingCallWatcher(bus_->asyncCall(call), this);
  QObject::connect(watcher, &QDBusPendingCallWatcher::finished, this,
                   [this, text, title, timeoutMs](QDBusPendingCallWatcher* finished) {
                     finished->deleteLater();
                     QDBusPendingReply<uint> reply = *finished;
                     if (reply.isError()) {
                       showQtBalloon(text, title, timeoutMs);  // the server went away
                       return;
                     }
                     notificationId_ = reply.value();
                     if (closeWhenIdKnown_) closeNotification(*notificationId_);
                   });
}

void QtTrayShell::showQtBalloon(const QString& text, const QString& title, int timeoutMs) {
  const int shownMs = timeoutMs > 0 ? timeoutMs : QtBalloonDefaultMs;
  if (!icon_) realise();  // the balloon points at the icon, so it cannot wait for the loop
  // Without an icon there is nothing to point at; the wait still ends in time.
  if (icon_) icon_->showMessage(title, text, QSystemTrayIcon::NoIcon, shownMs);
  qtBalloonTimer_.start(shownMs);
}

void QtTrayShell::withdrawBalloon() {
  if (qtBalloonTimer_.isActive()) {
    qtBalloonTimer_.stop();
    if (icon_) icon_->showMessage(QString(), QString(), QSystemTrayIcon::NoIcon, 0);  // closes it
    QTimer::singleShot(0, this, [this] { notify(TrayBalloonHide); });
  }
  if (notificationId_) {
    closeNotification(*notificationId_);
  } else if (usedServer_) {
    closeWhenIdKnown_ = true;  // Notify has not answered yet
  }
}

void QtTrayShell::closeNotification(uint id) {
  if (!bus_) return;
  QDBusMessage call = QDBusMessage::createMethodCall(NotificationsService, NotificationsPath,
                                                     NotificationsInterface, "CloseNotification");
  call << id;
  bus_->asyncCall(call);
}

void QtTrayShell::onNotificationClosed(uint id, uint reason) {
  if (!notificationId_ || id != *notificationId_) return;
  notificationId_.reset();
  notify(reason == ClosedExpired ? TrayBalloonTimeout : TrayBalloonHide);
}

void QtTrayShell::onActionInvoked(uint id, const QString& action) {
  if (!notificationId_ || id != *notificationId_ || action != "default") return;
  notify(TrayBalloonUserClick);
}

}  // namespace tg

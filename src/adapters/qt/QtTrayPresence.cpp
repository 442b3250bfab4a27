#include "adapters/qt/QtTrayPresence.h"

#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QGuiApplication>
#include <cstdlib>
#include <string>

#include "adapters/qt/QtTrayShell.h"

namespace tg {

namespace {

const QString WatcherService = "org.kde.StatusNotifierWatcher";
const QString WatcherPath = "/StatusNotifierWatcher";

// A tray that comes up after the program is found within this time.
constexpr int LookEveryMs = 2000;

}  // namespace

QtTrayPresence::QtTrayPresence() : bus_(SessionBusIfGiven()) {
  poll_.setInterval(LookEveryMs);
  QObject::connect(&poll_, &QTimer::timeout, this, &QtTrayPresence::lookAgain);
  if (!bus_) return;
  // The watcher's name and its host's signal bring the news sooner than the next look.
  watcher_.emplace(WatcherService, *bus_, QDBusServiceWatcher::WatchForRegistration);
  QObject::connect(&*watcher_, &QDBusServiceWatcher::serviceRegistered, this,
                   &QtTrayPresence::lookAgain);
  bus_->connect(WatcherService, WatcherPath, WatcherService, "StatusNotifierHostRegistered", this,
                SLOT(lookAgain()));
}

bool QtTrayPresence::present() const { return statusNotifierHostPresent() || xembedTrayPresent(); }

void QtTrayPresence::watchForTray() { poll_.start(); }

void QtTrayPresence::lookAgain() {
  if (!poll_.isActive() || !present()) return;
  poll_.stop();
  emit appeared();
}

// A watcher without a host (a panel still starting) shows nothing yet.
bool QtTrayPresence::statusNotifierHostPresent() const {
  if (!bus_) return false;
  QDBusConnectionInterface* daemon = bus_->interface();
  if (daemon == nullptr || !daemon->isServiceRegistered(WatcherService).value()) return false;
  QDBusMessage get = QDBusMessage::createMethodCall(WatcherService, WatcherPath,
                                                    "org.freedesktop.DBus.Properties", "Get");
  get << WatcherService << QString("IsStatusNotifierHostRegistered");
  const QDBusMessage reply = bus_->call(get, QDBus::Block, 1000);
  return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
         reply.arguments().front().value<QDBusVariant>().variant().toBool();
}

// The tray manager of the program's screen owns the selection named after it.
bool QtTrayPresence::xembedTrayPresent() const {
  auto* x11 =
      qGuiApp == nullptr ? nullptr : qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  if (x11 == nullptr || x11->connection() == nullptr) return false;
  xcb_connection_t* connection = x11->connection();
  char* host = nullptr;
  int display = 0;
  int screen = 0;
  if (!xcb_parse_display(nullptr, &host, &display, &screen)) screen = 0;
  std::free(host);
  const std::string name = "_NET_SYSTEM_TRAY_S" + std::to_string(screen);
  xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
      connection, xcb_intern_atom(connection, 1, static_cast<uint16_t>(name.size()), name.c_str()),
      nullptr);
  if (atom == nullptr) return false;
  const xcb_atom_t selection = atom->atom;
  std::free(atom);
  if (selection == XCB_ATOM_NONE) return false;  // no tray ever named it on this display
  xcb_get_selection_owner_reply_t* owner = xcb_get_selection_owner_reply(
      connection, xcb_get_selection_owner(connection, selection), nullptr);
  if (owner == nullptr) return false;
  const bool owned = owner->owner != XCB_NONE;
  std::free(owner);
  return owned;
}

}  // namespace tg

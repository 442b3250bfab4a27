#pragma once
// A D-Bus session bus of the test's own, with nothing that starts on demand, so that no real
// notification server answers and no stray bus is launched.

#include <QProcess>
#include <QString>

namespace tg::testing {

class PrivateBus {
 public:
  // Starts dbus-daemon and points DBUS_SESSION_BUS_ADDRESS at it; false when it cannot start.
  bool start();
  ~PrivateBus();
  QString address() const { return address_; }

 private:
  QProcess daemon_;
  QString address_;
  QString configFile_;
};

}  // namespace tg::testing

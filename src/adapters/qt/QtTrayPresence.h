#pragma once
// Whether the desktop has a notification area now, and word when one appears: a
// StatusNotifierItem host on the session bus (KDE Plasma, the AppIndicator extension, waybar,
// XFCE's plugin) or an XEmbed tray manager on the X display. Asked without Qt's tray code: Qt
// decides at its first tray icon whether a D-Bus tray exists and keeps that answer for good, so a
// tray that comes up after the program at logon would never be used.

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QObject>
#include <QTimer>
#include <optional>

namespace tg {

class QtTrayPresence : public QObject {
  Q_OBJECT

 public:
  QtTrayPresence();

  bool present() const;
  // Looks again every few seconds and on the bus's word, and says appeared() once a tray is
  // there; stops looking until asked again.
  void watchForTray();

 signals:
  void appeared();

 private slots:
  void lookAgain();

 private:
  bool statusNotifierHostPresent() const;
  bool xembedTrayPresent() const;

  std::optional<QDBusConnection> bus_;
  std::optional<QDBusServiceWatcher> watcher_;
  QTimer poll_;
};

}  // namespace tg

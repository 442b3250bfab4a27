#include "PrivateBus.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

namespace tg::testing {

bool PrivateBus::start() {
  configFile_ =
      QDir::temp().filePath(QString("tg-bus-%1.conf").arg(QCoreApplication::applicationPid()));
  QFile config(configFile_);
  if (!config.open(QIODevice::WriteOnly)) return false;
  config.write(
      "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
      " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
      "<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen>"
      "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
      "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n");
  config.close();
  // Kept as a child, not forked away, so that it is reaped when the tests end.
  daemon_.start("dbus-daemon", {"--config-file=" + configFile_, "--nofork", "--print-address=1"});
  if (!daemon_.waitForStarted(10000)) return false;
  while (!daemon_.canReadLine()) {
    if (!daemon_.waitForReadyRead(10000)) return false;
  }
  address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
  if (address_.isEmpty()) return false;
  qputenv("DBUS_SESSION_BUS_ADDRESS", address_.toUtf8());
  return true;
}

PrivateBus::~PrivateBus() {
  if (daemon_.state() != QProcess::NotRunning) {
    daemon_.terminate();
    daemon_.waitForFinished(5000);
  }
  if (!configFile_.isEmpty()) QFile::remove(configFile_);
}

}  // namespace tg::testing

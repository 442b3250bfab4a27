#include "adapters/qt/QtOfficeDocuments.h"

#include <QApplication>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>
#include <stdexcept>

#include "adapters/qt/QtControls.h"
#include "mainwindow/CommandLine.h"

namespace tg {

bool QtOfficeDocuments::openReadOnly(std::string_view path) {
  QProcess opener;
  opener.setProgram(program_);
  opener.setArguments({OpenReadOnlyFlag, ToQString(path)});
  opener.setProcessChannelMode(QProcess::SeparateChannels);
  QEventLoop waiting;
  QObject::connect(&opener, &QProcess::finished, &waiting, &QEventLoop::quit);
  QObject::connect(&opener, &QProcess::errorOccurred, &waiting, &QEventLoop::quit);
  QTimer::singleShot(waitMilliseconds_, &waiting, &QEventLoop::quit);
  QApplication::setOverrideCursor(Qt::BusyCursor);
  opener.start();
  if (opener.state() != QProcess::NotRunning) waiting.exec(QEventLoop::ExcludeUserInputEvents);
  QApplication::restoreOverrideCursor();
  if (opener.state() != QProcess::NotRunning) {
    opener.kill();
    opener.waitForFinished(2000);
    throw std::runtime_error("the office did not answer within a minute.");
  }
  if (opener.exitStatus() != QProcess::NormalExit || opener.error() == QProcess::FailedToStart) {
    throw std::runtime_error("the office could not be asked.");
  }
  if (opener.exitCode() == ExitCodes::NoOffice) return false;
  if (opener.exitCode() != 0) {
    throw std::runtime_error(
        ToStdString(QString::fromUtf8(opener.readAllStandardError()).trimmed()));
  }
  return true;
}

}  // namespace tg

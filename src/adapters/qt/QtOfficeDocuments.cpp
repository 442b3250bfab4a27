#include "adapters/qt/QtOfficeDocuments.h"

#include <QApplication>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>
#include <stdexcept>

#include "adapters/qt/QtControls.h"
#include "app/CommandLine.h"
#include "app/CopyCommands.h"

namespace tg {

// This program, started with `arguments`, does the talking; how it ended. Throws when it could
// not be started or did not end within the wait.
ChildAnswer QtOfficeDocuments::ask(const QStringList& arguments) {
  QProcess asker;
  asker.setProgram(program_);
  asker.setArguments(arguments);
  asker.setProcessChannelMode(QProcess::SeparateChannels);
  QEventLoop waiting;
  QObject::connect(&asker, &QProcess::finished, &waiting, &QEventLoop::quit);
  QObject::connect(&asker, &QProcess::errorOccurred, &waiting, &QEventLoop::quit);
  QTimer::singleShot(waitMilliseconds_, &waiting, &QEventLoop::quit);
  QApplication::setOverrideCursor(Qt::BusyCursor);
  asker.start();
  if (asker.state() != QProcess::NotRunning) waiting.exec(QEventLoop::ExcludeUserInputEvents);
  QApplication::restoreOverrideCursor();
  if (asker.state() != QProcess::NotRunning) {
    asker.kill();
    asker.waitForFinished(2000);
    throw std::runtime_error("the office did not answer within a minute.");
  }
  if (asker.exitStatus() != QProcess::NormalExit || asker.error() == QProcess::FailedToStart) {
    throw std::runtime_error("the office could not be asked.");
  }
  return {asker.exitCode(), ToStdString(QString::fromUtf8(asker.readAllStandardError()).trimmed()),
          asker.readAllStandardOutput().toStdString()};
}

bool QtOfficeDocuments::openReadOnly(std::string_view path) {
  return OpenedByAnswer(ask({OpenReadOnlyFlag, ToQString(path)}));
}

bool QtOfficeDocuments::hasOpen(std::string_view path) {
  return HasOpenByAnswer(ask({HasOpenFlag, ToQString(path)}));
}

std::string QtOfficeDocuments::restore(std::string_view copy) {
  return RestoredByAnswer(ask({RestoreFlag, ToQString(copy)}));
}

std::vector<CellChange> QtOfficeDocuments::compare(std::string_view earlier, std::string_view later,
                                                   bool formulas) {
  QStringList arguments{DiffFlag};
  if (formulas) arguments << FormulasFlag;
  arguments << ToQString(earlier);
  if (!later.empty()) arguments << ToQString(later);
  return ChangesByAnswer(ask(arguments));
}

void QtOfficeDocuments::showCell(std::string_view workbook, std::string_view sheet,
                                 std::string_view cell) {
  ShownByAnswer(ask({ShowCellFlag, ToQString(workbook), ToQString(sheet), ToQString(cell)}));
}

}  // namespace tg

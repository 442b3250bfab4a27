// Tallyguard on the Linux desktop: one copy per user, a window that hides into the tray, and the
// running LibreOffice driven through its automation module.

#include <QApplication>

#include "adapters/posix/LocaleRegionalSettings.h"
#include "adapters/posix/ModuleAutomationFactory.h"
#include "adapters/posix/PosixFileSystem.h"
#include "adapters/posix/ProcessEnvironment.h"
#include "adapters/posix/RunningExecutable.h"
#include "adapters/posix/SystemClock.h"
#include "adapters/posix/XdgAutostart.h"
#include "adapters/qt/QtProgram.h"
#include "adapters/qt/QtShell.h"
#include "adapters/qt/QtSingleInstance.h"
#include "adapters/qt/core/QtSettingsBackend.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QApplication::setOrganizationName("Morvane");
  QApplication::setApplicationName("Tallyguard");
  QApplication::setDesktopFileName("tallyguard");
  QApplication::setQuitOnLastWindowClosed(false);  // hidden in the tray is still running

  // Before any window, tray icon or font exists, so that a second copy is never seen and ends
  // at once.
  tg::QtSingleInstance singleInstance;
  if (singleInstance.anotherCopyRuns()) return 0;
  QApplication::setWindowIcon(tg::ApplicationIcon());

  tg::QtShell shell;
  shell.beforeEnd = [&singleInstance] { singleInstance.release(); };
  tg::ProcessEnvironment environment;
  tg::QtSettingsBackend settings;
  tg::ModuleAutomationFactory automation;
  tg::XdgAutostart autostart(environment, tg::RunningExecutable());
  tg::PosixFileSystem fileSystem;
  tg::SystemClock clock;
  tg::LocaleRegionalSettings regional;

  tg::QtProgram program({settings, automation, shell, singleInstance, autostart, environment,
                         fileSystem, clock, regional});
  program.start();
  return QApplication::exec();
}

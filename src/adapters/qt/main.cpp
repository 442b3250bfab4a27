// Tallyguard on the Linux desktop: one copy per user, a window that hides into the tray, and the
// running LibreOffice driven through its automation module by a helper process per pass.

#include <QApplication>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "adapters/posix/BackupHelperMain.h"
#include "adapters/posix/LocaleRegionalSettings.h"
#include "adapters/posix/ModuleAutomationFactory.h"
#include "adapters/posix/PosixFileSystem.h"
#include "adapters/posix/ProcessEnvironment.h"
#include "adapters/posix/RunningExecutable.h"
#include "adapters/posix/SystemClock.h"
#include "adapters/posix/XdgAutostart.h"
#include "adapters/qt/QtHelperProcess.h"
#include "adapters/qt/QtPassProbe.h"
#include "adapters/qt/QtProgram.h"
#include "adapters/qt/QtShell.h"
#include "adapters/qt/QtSingleInstance.h"
#include "adapters/qt/core/QtSettingsBackend.h"

namespace {

// How long an office may make no progress before its pass is given up; tests shorten it.
double OfficeHangSeconds() {
  const char* chosen = std::getenv("TALLYGUARD_HANG_SECONDS");
  const double seconds = chosen ? std::atof(chosen) : 0;
  return seconds > 0 ? seconds : tg::OfficeHangSeconds;
}

}  // namespace

int main(int argc, char* argv[]) {
  // The backup helper: one pass, no window, no toolkit.
  if (argc == 3 && std::strcmp(argv[1], tg::BackupPassFlag) == 0) {
    return tg::RunBackupHelper(argv[2]);
  }
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

  tg::QtHelperProcess helper(QCoreApplication::applicationFilePath());
  // Off unless a benchmark asks for it.
  std::unique_ptr<tg::QtPassProbe> probe = tg::QtPassProbe::FromEnvironment(helper);
  tg::HelperProcess* passHelper = probe ? static_cast<tg::HelperProcess*>(probe.get()) : &helper;
  tg::QtProgram program({settings, automation, shell, singleInstance, autostart, environment,
                         fileSystem, clock, regional, passHelper, OfficeHangSeconds()});
  program.start();
  return QApplication::exec();
}

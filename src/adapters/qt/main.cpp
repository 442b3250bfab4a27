// Tallyguard on the Linux desktop: one copy per user, a window that hides into the tray, and the
// running LibreOffice driven through its automation module by a helper process per pass. With
// --backup-now, one pass from a terminal, cron or a timer, without a window.

#include <QApplication>
#include <QCoreApplication>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "adapters/posix/BackupHelperMain.h"
#include "adapters/posix/ChangeWatchMain.h"
#include "adapters/posix/ModuleAutomationFactory.h"
#include "adapters/posix/OfficeInstallation.h"
#include "adapters/posix/OfficeInstance.h"
#include "adapters/posix/PosixFileSystem.h"
#include "adapters/posix/PosixSystem.h"
#include "adapters/posix/RunningExecutable.h"
#include "adapters/posix/XdgAutostart.h"
#include "adapters/qt/QtHelperProcess.h"
#include "adapters/qt/QtMessageLoop.h"
#include "adapters/qt/QtOfficeDocuments.h"
#include "adapters/qt/QtPassProbe.h"
#include "adapters/qt/QtProgram.h"
#include "adapters/qt/QtShell.h"
#include "adapters/qt/QtSingleInstance.h"
#include "adapters/qt/QtTrayShell.h"
#include "adapters/qt/core/QtSettingsBackend.h"
#include "app/CommandLine.h"
#include "app/CopyCommands.h"
#include "app/RunningCopy.h"
#include "backup/Calc.h"
#include "mainwindow/Settings.h"

#ifndef TALLYGUARD_VERSION
#define TALLYGUARD_VERSION "unknown"
#endif

namespace {

void NameApplication() {
  QCoreApplication::setOrganizationName("Morvane");
  QCoreApplication::setApplicationName("Tallyguard");
}

// The office the user named in the settings is the one this program and its children use, unless
// the environment names one already.
void UseChosenOffice(tg::SettingsBackend& settings) {
  if (std::getenv(tg::OfficeFolderVariable) != nullptr) return;
  const std::string chosen = tg::Settings(settings).ReadSetting(tg::OfficeFolderKey, "");
  if (!chosen.empty()) ::setenv(tg::OfficeFolderVariable, chosen.c_str(), 1);
}

// An office installed only in a sandbox is out of reach: said in one sentence, as the window's
// start-up check says it, instead of "nothing to back up".
bool ToldOfficeOutOfReach() {
  try {
    tg::ModuleAutomationFactory().isInstalled(tg::OfficeServiceManagerId);
  } catch (const tg::OfficeOutOfReach& outOfReach) {
    std::cerr << outOfReach.what() << '\n';
    return true;
  }
  return false;
}

// No display is needed: the settings are all the command line reads; the pass runs in the backup
// helper, as the window's do, and is given up by the same watch when the office stops.
int BackupNow(int argc, char* argv[], bool notify) {
  // A line to a helper that has just ended must fail, not end the command line silently.
  std::signal(SIGPIPE, SIG_IGN);
  QCoreApplication application(argc, argv);
  NameApplication();
  tg::QtShell shell;
  tg::PosixSystem system;
  tg::QtSettingsBackend settings;
  UseChosenOffice(settings);
  if (!notify && ToldOfficeOutOfReach()) return tg::ExitCodes::NoOffice;
  const std::string profile = tg::OfficeProfileFromEnvironment();
  tg::ProfileOfficePresence presence(profile);
  tg::QtHelperProcess helper(QCoreApplication::applicationFilePath(), profile);
  tg::QtMessageLoop messageLoop;
  const tg::BackupNowPorts ports =
      system.services().backupNow(settings, presence, shell, helper, messageLoop);
  if (!notify) return tg::RunBackupNow(ports, std::cout, std::cerr);
  tg::QtSingleInstance runningCopy;
  return tg::BackupNowAndNotify(
      ports, runningCopy,
      [](const std::string& title, const std::string& text) {
        tg::TellInNotification(QString::fromStdString(title), QString::fromStdString(text));
      },
      std::cout, std::cerr);
}

// --restore and --diff: the office is talked to from this process, as by --has-open; the settings
// say where the copy of the workbook's state goes.
int CopyCommand(int argc, char* argv[], tg::Command command) {
  // The office takes only whole paths; a terminal gives them as typed.
  for (std::string& file : tg::FilePathsOf(command)) {
    if (!file.empty() && file.front() != '/') {
      file = std::filesystem::absolute(file).lexically_normal().string();
    }
  }
  QCoreApplication application(argc, argv);
  NameApplication();
  tg::QtShell shell;
  tg::PosixSystem system;
  tg::QtSettingsBackend settings;
  UseChosenOffice(settings);
  if (ToldOfficeOutOfReach()) return tg::ExitCodes::DiffTrouble;
  tg::ModuleAutomationFactory automation;
  return tg::RunCopyCommand(system.services(), automation, settings, shell, command, std::cout,
                            std::cerr);
}

// Tiling Wayland compositors (sway, Hyprland, river) have no minimise but a scratchpad and
// workspaces. A window on X through their XWayland, once sent to the scratchpad, never comes back
// by the tray or a second start, and one on another workspace is only marked urgent; a native
// Wayland window is brought back and focused by all three.
bool TilingWaylandCompositor() {
  if (qEnvironmentVariableIsSet("SWAYSOCK") ||
      qEnvironmentVariableIsSet("HYPRLAND_INSTANCE_SIGNATURE")) {
    return true;
  }
  const QStringList desktops = qEnvironmentVariable("XDG_CURRENT_DESKTOP").toLower().split(':');
  return desktops.contains("sway") || desktops.contains("hyprland") || desktops.contains("river");
}

// Qt picks Wayland when its plugin is installed, but on GNOME's and KDE's Wayland minimising to
// the tray, raising the window for a second start and keeping the clipboard after exit work as
// designed only on X. Where X is there too (XWayland), it is preferred, with Wayland behind it
// should X not answer; on a tiling compositor Wayland comes first, with X behind it. A platform
// the user chose stays theirs; outside a Wayland session X is Qt's own choice anyway.
void ChoosePlatform() {
  if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM") ||
      qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
    return;
  if (TilingWaylandCompositor()) {
    qputenv("QT_QPA_PLATFORM", "wayland;xcb");
  } else if (!qEnvironmentVariableIsEmpty("DISPLAY")) {
    qputenv("QT_QPA_PLATFORM", "xcb;wayland");
  }
}

// Without any display Qt ends the program with a page of its own; the user gets one sentence.
bool startingWindow = false;
QtMessageHandler qtMessages = nullptr;

void PlainStartFailure(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (startingWindow && type == QtFatalMsg) {
    // Qt's last words list the platform plugins it found.
    const bool waylandPluginMissing = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
                                      qEnvironmentVariableIsEmpty("DISPLAY") &&
                                      !text.contains("wayland");
    std::cerr << (waylandPluginMissing
                      ? "Tallyguard cannot show its window: this Wayland session has no X "
                        "server, and Qt's Wayland plugin (package qt6-wayland) is not "
                        "installed."
                      : "Tallyguard cannot show its window: no desktop display was found.")
              << " To back up without a window, run: tallyguard --backup-now\n";
    std::_Exit(1);
  }
  // Qt's notes on the displays it tries (a plugin failing before the next one works) are part of
  // its page, not of the program's words.
  if (startingWindow) return;
  if (qtMessages) qtMessages(type, context, text);
}

int StartWindow(int argc, char* argv[], bool versions) {
  ChoosePlatform();
  qtMessages = qInstallMessageHandler(PlainStartFailure);
  startingWindow = true;
  QApplication application(argc, argv);
  startingWindow = false;
  NameApplication();
  QApplication::setDesktopFileName("tallyguard");
  QApplication::setQuitOnLastWindowClosed(false);  // hidden in the tray is still running

  // Before any window, tray icon or font exists, so that a second copy is never seen and ends
  // at once, once it has asked the running copy to show its window.
  tg::QtSingleInstance singleInstance;
  if (tg::HandedToRunningCopy(singleInstance, singleInstance, versions)) return 0;
  QApplication::setWindowIcon(tg::ApplicationIcon());

  tg::QtShell shell;
  shell.beforeEnd = [&singleInstance] { singleInstance.release(); };
  tg::PosixSystem system;
  tg::QtSettingsBackend settings;
  UseChosenOffice(settings);
  tg::ModuleAutomationFactory automation;
  tg::XdgAutostart autostart(system.environment, tg::RunningExecutable());

  tg::QtHelperProcess helper(QCoreApplication::applicationFilePath(),
                             tg::OfficeProfileFromEnvironment());
  // Off unless a benchmark asks for it.
  std::unique_ptr<tg::QtPassProbe> probe = tg::QtPassProbe::FromEnvironment(helper);
  tg::HelperProcess& passHelper = probe ? static_cast<tg::HelperProcess&>(*probe) : helper;
  tg::QtOfficeDocuments office(QCoreApplication::applicationFilePath());
  const std::string watchProgram = tg::ChangeWatchProgram();
  tg::QtHelperProcess watch(QString::fromStdString(watchProgram),
                            tg::OfficeProfileFromEnvironment(), QString());
  tg::SystemPorts ports = system.services().programPorts(settings, automation, shell,
                                                         singleInstance, autostart, passHelper);
  if (!watchProgram.empty()) ports.watch = &watch;
  tg::QtProgram program(ports, {system.facts, system.state(), office});
  // Heard from before any start-up message: the program does what is asked once it has started.
  try {
    singleInstance.listen(
        [&program](tg::RunningCopyRequest request) { AnswerRequest(program.program, request); });
  } catch (const std::exception& failure) {
    std::cerr << failure.what() << '\n';  // a second start then only ends, as it used to
  }
  if (versions) program.program.showVersions();  // once started
  program.start();
  return QApplication::exec();
}

// A child that has talked to the office ends as the backup helper does: tearing the office's
// runtime down at exit can crash, and the answer is given by then.
[[noreturn]] void EndWithoutTeardown(int status) {
  std::cout.flush();
  std::cerr.flush();
  std::_Exit(status);
}

// The command line's work on Linux.
class LinuxCommandLine : public tg::CommandLinePlatform {
 public:
  LinuxCommandLine(int argc, char* argv[]) : argc_(argc), argv_(argv) {}
  std::string programName() const override { return "tallyguard"; }
  std::string version() const override { return TALLYGUARD_VERSION; }
  int runBackupHelper(const std::string& log) override {
    return tg::RunBackupHelper(log.c_str());  // one pass, no window, no toolkit
  }
  int openReadOnly(const std::string& path) override {
    const std::optional<pid_t> office = tg::ProfileOffice(tg::OfficeProfileFromEnvironment());
    if (office && tg::ShowsNoWindows(*office)) {
      std::cerr << "The running office suite has no windows to show the file in.\n";
      return tg::ExitCodes::NoOffice;
    }
    tg::ModuleAutomationFactory automation;
    EndWithoutTeardown(tg::RunOpenReadOnly(automation, path, tg::PathStyle::Posix, std::cerr));
  }
  int hasOpen(const std::string& path) override {
    tg::ModuleAutomationFactory automation;
    tg::PosixFileSystem fileSystem;
    EndWithoutTeardown(
        tg::RunHasOpen(automation, fileSystem, path, tg::PathStyle::Posix, std::cerr));
  }
  int backupNow(const tg::Command& command) override {
    return BackupNow(argc_, argv_, command.notify);
  }
  int listCopies(const tg::Command& command) override {
    tg::PosixSystem system;
    return tg::RunListCopies(system.services().listCopies(), command.document, std::cout,
                             std::cerr);
  }
  // The settings only: no display, no office.
  int showSettings() override {
    QCoreApplication application(argc_, argv_);
    NameApplication();
    tg::QtShell shell;
    tg::QtSettingsBackend settings;
    return tg::RunShowSettings(settings, shell, tg::PathStyle::Posix, {{tg::OfficeFolderKey, ""}},
                               std::cout);
  }
  // The settings' own application, gone before the window's is made.
  bool administratorStartsAtLogon() override {
    QCoreApplication application(argc_, argv_);
    NameApplication();
    tg::QtSettingsBackend settings;
    return tg::AdministratorStartsAtLogon(settings);
  }
  int copyCommand(const tg::Command& command) override {
    EndWithoutTeardown(CopyCommand(argc_, argv_, command));
  }
  int startWindow(const tg::Command& command) override {
    return StartWindow(argc_, argv_, command.versions);
  }

 private:
  int argc_;
  char** argv_;
};

}  // namespace

int main(int argc, char* argv[]) {
  LinuxCommandLine platform(argc, argv);
  return tg::RunCommandLine(std::vector<std::string>(argv + 1, argv + argc), platform, std::cout,
                            std::cerr);
}

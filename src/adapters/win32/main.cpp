// Tallyguard on Windows: one copy per user session, a window that hides into the notification
// area, and the running office suite driven through COM by a helper process per pass. With
// --backup-now, one pass from a command prompt or the Task Scheduler, without a window; a prompt
// reaches it through the console twin Tallyguard.com, which waits for its exit status.

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "adapters/win32/ComAutomation.h"
#include "adapters/win32/RegistrySettingsBackend.h"
#include "adapters/win32/RunKeyAutostart.h"
#include "adapters/win32/Win32BackupHelperMain.h"
#include "adapters/win32/Win32Balloon.h"
#include "adapters/win32/Win32ChangeWatchMain.h"
#include "adapters/win32/Win32FileSystem.h"
#include "adapters/win32/Win32HelperProcess.h"
#include "adapters/win32/Win32MessageLoop.h"
#include "adapters/win32/Win32OfficeDocuments.h"
#include "adapters/win32/Win32OfficeInstance.h"
#include "adapters/win32/Win32Program.h"
#include "adapters/win32/Win32RunningCopyRequests.h"
#include "adapters/win32/Win32Shell.h"
#include "adapters/win32/WindowsPlatform.h"
#include "adapters/win32/WindowsSystem.h"
#include "app/CommandLine.h"
#include "app/CopyCommands.h"
#include "app/RunningCopy.h"
#include "backup/PassProtocol.h"
#include "backup/RunningOfficeOnly.h"
#include "backup/WatchProtocol.h"

#ifndef TALLYGUARD_VERSION
#define TALLYGUARD_VERSION "unknown"
#endif

namespace {

// A window program has no console of its own: answers to the command line go to the prompt it
// was started from, unless they are already redirected to a file or a pipe.
void WriteToCallersConsole() {
  const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  if (output != nullptr && output != INVALID_HANDLE_VALUE &&
      GetFileType(output) != FILE_TYPE_UNKNOWN) {
    return;
  }
  if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
  std::freopen("CONOUT$", "w", stdout);
  std::freopen("CONOUT$", "w", stderr);
  std::cout.clear();
  std::cerr.clear();
}

// The pass runs in the backup helper, as the window's do, and is given up by the same watch when
// the office stops answering.
int BackupNow(bool notify) {
  const std::string executable = tg::RunningExecutablePath();
  tg::WindowsSystem system;
  tg::RegistrySettingsBackend settings;
  tg::Win32OfficePresence presence;
  tg::Win32Shell shell(executable);
  tg::Win32HelperProcess helper(executable);
  tg::Win32MessageLoop messageLoop;
  const tg::BackupNowPorts ports =
      system.services().backupNow(settings, presence, shell, helper, messageLoop);
  if (!notify) return tg::RunBackupNow(ports, std::cout, std::cerr);
  tg::Win32RunningCopyRequests runningCopy;
  return tg::BackupNowAndNotify(ports, runningCopy, tg::TellInBalloon, std::cout, std::cerr);
}

// --restore and --diff: a running office only, talked to from this process as by --has-open; the
// settings say where the copy of the workbook's state goes.
int CopyCommand(tg::Command command) {
  // The office takes only whole paths; a prompt gives them as typed.
  for (std::string& file : tg::FilePathsOf(command)) {
    char whole[MAX_PATH * 4] = {};
    const DWORD length = GetFullPathNameA(file.c_str(), sizeof whole, whole, nullptr);
    if (length > 0 && length < sizeof whole) file.assign(whole, length);
  }
  const std::string executable = tg::RunningExecutablePath();
  tg::WindowsSystem system;
  tg::RegistrySettingsBackend settings;
  tg::Win32Shell shell(executable);
  tg::ComAutomationFactory com;
  tg::Win32OfficePresence presence;
  tg::RunningOfficeOnly automation(com, presence);
  return tg::RunCopyCommand(system.services(), automation, settings, shell, command, std::cout,
                            std::cerr);
}

int StartWindow(bool versions) {
  // Before any window or tray icon exists, so that a second copy is never seen and ends at once,
  // once it has asked the running copy to show its window.
  tg::MutexSingleInstance singleInstance;
  tg::Win32RunningCopyRequests requests;
  if (tg::HandedToRunningCopy(singleInstance, requests, versions)) return 0;
  const std::string executable = tg::RunningExecutablePath();
  tg::WindowsSystem system;
  tg::RegistrySettingsBackend settings;
  tg::ComAutomationFactory automation;  // the window only asks whether the suite is installed
  tg::Win32Shell shell(executable);
  tg::RunKeyAutostart autostart(executable);
  tg::Win32HelperProcess helper(executable);
  tg::Win32HelperProcess watch(executable, tg::UserOffice, tg::ChangeWatchFlag);
  tg::Win32OfficeDocuments office(executable);
  tg::SystemPorts ports = system.services().programPorts(settings, automation, shell,
                                                         singleInstance, autostart, helper);
  ports.watch = &watch;
  tg::Win32Program program(ports, {system.facts, &system.state, office});
  shell.setOwner(program.view.window.handle());
  // Heard from before any start-up message: the program does what is asked once it has started.
  requests.listen(
      [&program](tg::RunningCopyRequest request) { AnswerRequest(program.program, request); });
  if (versions) program.program.showVersions();  // once started
  program.start();
  return program.messageLoop.run();
}

}  // namespace

namespace {

// Every text of the program is UTF-8, which the manifest makes the program's code page; Windows
// honours that from Windows 10 version 1903 on. On an older one every non-English name would be
// garbled, so the program says so instead of starting.
bool RunsInUtf8() { return GetACP() == CP_UTF8; }
constexpr const wchar_t* NeedsNewerWindows =
    L"Tallyguard needs Windows 10 version 1903 (May 2019 Update) or later.";

// The command line's work on Windows.
class WindowsCommandLine : public tg::CommandLinePlatform {
 public:
  std::string programName() const override { return "Tallyguard"; }
  std::string version() const override { return TALLYGUARD_VERSION; }
  void beforeWriting() override { WriteToCallersConsole(); }
  int runBackupHelper(const std::string& log) override {
    return tg::RunWindowsBackupHelper(log.c_str());  // one pass, no window
  }
  int runChangeWatch(const std::string& log) override {
    return tg::RunWindowsChangeWatch(log.c_str());  // while the window runs, no window
  }
  // A running office only: creating the office's service manager would start a hidden one.
  int openReadOnly(const std::string& path) override {
    tg::ComAutomationFactory com;
    tg::Win32OfficePresence presence;
    tg::RunningOfficeOnly automation(com, presence);
    return tg::RunOpenReadOnly(automation, path, tg::PathStyle::Windows, std::cerr);
  }
  int hasOpen(const std::string& path) override {
    tg::ComAutomationFactory com;
    tg::Win32OfficePresence presence;
    tg::RunningOfficeOnly automation(com, presence);
    tg::Win32FileSystem fileSystem;
    return tg::RunHasOpen(automation, fileSystem, path, tg::PathStyle::Windows, std::cerr);
  }
  int backupNow(const tg::Command& command) override { return BackupNow(command.notify); }
  int listCopies(const tg::Command& command) override {
    tg::WindowsSystem system;
    return tg::RunListCopies(system.services().listCopies(), command.document, std::cout,
                             std::cerr);
  }
  int copyCommand(const tg::Command& command) override { return CopyCommand(command); }
  int showSettings() override {
    tg::RegistrySettingsBackend settings;
    tg::Win32Shell shell(tg::RunningExecutablePath());
    return tg::RunShowSettings(settings, shell, tg::PathStyle::Windows, {}, std::cout);
  }
  bool administratorStartsAtLogon() override {
    tg::RegistrySettingsBackend settings;
    return tg::AdministratorStartsAtLogon(settings);
  }
  int startWindow(const tg::Command& command) override { return StartWindow(command.versions); }
};

}  // namespace

int main(int argc, char* argv[]) {
  if (!RunsInUtf8()) {
    MessageBoxW(nullptr, NeedsNewerWindows, L"Tallyguard", MB_OK | MB_ICONSTOP);
    return 1;
  }
  WindowsCommandLine platform;
  return tg::RunCommandLine(std::vector<std::string>(argv + 1, argv + argc), platform, std::cout,
                            std::cerr);
}

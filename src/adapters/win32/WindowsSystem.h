#pragma once
// What the system gives this process on Windows, made once and handed out as each use needs it:
// the helper's pass, the command line's listing, the window.

#include <string>

#include "adapters/win32/Win32FileFacts.h"
#include "adapters/win32/Win32FileSystem.h"
#include "adapters/win32/Win32PrivateState.h"
#include "adapters/win32/WindowsPlatform.h"
#include "backup/RunPass.h"
#include "mainwindow/CommandLine.h"

namespace tg {

class WindowsSystem {
 public:
  WindowsSystem() = default;
  WindowsSystem(const WindowsSystem&) = delete;
  WindowsSystem& operator=(const WindowsSystem&) = delete;

  PassEnvironment passEnvironment(AutomationFactory& automation, std::string historyLogPath);
  ListCopiesPorts listCopies();
  BackupNowPorts backupNow(SettingsBackend& settings, const OfficePresence& presence,
                           const Shell& shell, HelperProcess& helper, MessageLoop& messageLoop);

  Win32FileSystem fileSystem;
  Win32FileFacts facts;
  Win32PrivateState state{Win32PrivateState::DefaultFolder()};
  WindowsClock clock;
  WindowsRegionalSettings regional;
  WindowsEnvironment environment;
};

}  // namespace tg

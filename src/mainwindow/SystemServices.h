#pragma once
// What the system gives a process whatever the toolkit, as each platform makes it once, and the
// views each use of it needs: the backup helper's pass, the command line's listing and backup.

#include <string>

#include "backup/RunPass.h"
#include "mainwindow/CommandLine.h"
#include "mainwindow/Program.h"

namespace tg {

struct SystemServices {
  FileSystem& fileSystem;
  const FileFacts& facts;
  PrivateState* state;  // none: no turn taken and no record of the copies kept
  const Clock& clock;
  const RegionalSettings& regional;
  const Environment& environment;
  PathStyle pathStyle;
  std::string stagingFolder = {};  // see CalcContext

  PassEnvironment passEnvironment(AutomationFactory& automation, std::string historyLogPath) const;
  ListCopiesPorts listCopies() const;
  BackupNowPorts backupNow(SettingsBackend& settings, const OfficePresence& presence,
                           const Shell& shell, HelperProcess& helper,
                           MessageLoop& messageLoop) const;
  // The window's: these services with what only the window asks of the system.
  SystemPorts programPorts(SettingsBackend& settings, AutomationFactory& automation, Shell& shell,
                           SingleInstance& singleInstance, Autostart& autostart,
                           HelperProcess& helper) const;
};

}  // namespace tg

#pragma once
// What the system gives a process whatever the toolkit, as each platform makes it once, and the
// views each use of it needs: the backup helper's pass, the command line's listing and backup.

#include <string>

#include "app/CommandLine.h"
#include "backup/RunPass.h"
#include "common/ports/Autostart.h"
#include "common/ports/SingleInstance.h"

namespace tg {

// What the system offers whatever the toolkit: made in main, or stand-ins in tests.
struct SystemPorts {
  SettingsBackend& settings;
  AutomationFactory& automation;
  Shell& shell;
  SingleInstance& singleInstance;
  Autostart& autostart;
  const Environment& environment;
  FileSystem& fileSystem;
  const Clock& clock;
  const RegionalSettings& regional;
  // Where every pass runs, so the window never talks to the office itself.
  HelperProcess& helper;
  double officeHangSeconds = OfficeHangSeconds;
  // The change watch's process, kept running while the window is; none: no watch.
  HelperProcess* watch = nullptr;
};

struct SystemServices {
  FileSystem& fileSystem;
  const FileFacts& facts;
  PrivateState* state;  // none: no turn taken and no record of the copies kept
  const Clock& clock;
  const RegionalSettings& regional;
  const Environment& environment;
  PathStyle pathStyle;
  // Makes the private folder the office first writes each copy into (see CalcContext) and says
  // where it is; none on a platform without one. Asked only when a pass is made.
  std::string (*makeStagingFolder)() = nullptr;

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

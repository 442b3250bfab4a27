#include "adapters/win32/Win32BackupHelperMain.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <iostream>

#include "adapters/win32/ComAutomation.h"
#include "adapters/win32/Win32OfficeInstance.h"
#include "adapters/win32/Win32WatchPipe.h"
#include "adapters/win32/WindowsSystem.h"
#include "backup/PassHelperSide.h"
#include "backup/RunningOfficeOnly.h"

namespace tg {

int RunWindowsBackupHelper(const char* historyLogPath) {
  // Lines cross as they are: no CR added on the way out, and a Ctrl+Z in a text is no end of
  // input on the way in.
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
  ComAutomationFactory com;  // joins this thread to an apartment for the whole pass
  Win32OfficePresence presence;
  RunningOfficeOnly automation(com, presence);
  WindowsSystem system;
  PipeChangeWitness witness(WatchPipeName());
  PassEnvironment environment = system.services().passEnvironment(automation, historyLogPath);
  environment.witness = &witness;
  return ServeHelperPass(std::cin, std::cout, std::cerr, environment);
}

}  // namespace tg

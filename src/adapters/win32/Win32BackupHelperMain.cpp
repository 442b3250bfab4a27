#include "adapters/win32/Win32BackupHelperMain.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <exception>
#include <iostream>

#include "adapters/com/ComAutomation.h"
#include "adapters/win32/Win32FileFacts.h"
#include "adapters/win32/Win32FileSystem.h"
#include "adapters/win32/Win32PrivateState.h"
#include "adapters/win32/WindowsPlatform.h"
#include "backup/PassHelperSide.h"
#include "backup/RunningOfficeOnly.h"

namespace tg {

int RunWindowsBackupHelper(const char* historyLogPath,
                           const std::vector<std::string>& officeProcessNames) {
  // Lines cross as they are: no CR added on the way out, and a Ctrl+Z in a text is no end of
  // input on the way in.
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
  int status = 0;
  {
    ComAutomationFactory com;  // joins this thread to an apartment for the whole pass
    Win32OfficePresence presence(officeProcessNames);
    RunningOfficeOnly automation(com, presence);
    Win32FileSystem fileSystem;
    Win32FileFacts facts;
    Win32PrivateState state(Win32PrivateState::DefaultFolder());
    WindowsClock clock;
    WindowsRegionalSettings regional;
    try {
      ServePass(std::cin, std::cout,
                PassEnvironment{.automation = automation,
                                .fileSystem = fileSystem,
                                .clock = clock,
                                .regional = regional,
                                .historyLogPath = historyLogPath,
                                .pathStyle = PathStyle::Windows,
                                .facts = &facts,
                                .state = &state});
    } catch (const std::exception& failure) {
      std::cerr << "tallyguard backup helper: " << failure.what() << '\n';
      status = 1;
    }
    std::cout.flush();
  }
  return status;
}

}  // namespace tg

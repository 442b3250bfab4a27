#include "adapters/posix/BackupHelperMain.h"

#include <sys/prctl.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <string>

#include "adapters/posix/LocaleRegionalSettings.h"
#include "adapters/posix/ModuleAutomationFactory.h"
#include "adapters/posix/PosixFileFacts.h"
#include "adapters/posix/PosixFileSystem.h"
#include "adapters/posix/PosixPrivateState.h"
#include "adapters/posix/StagingFolder.h"
#include "adapters/posix/SystemClock.h"
#include "backup/PassHelperSide.h"

namespace tg {

int RunBackupHelper(const char* historyLogPath) {
  // The helper never outlives the window: whatever ends the window ends it too.
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  // A window that ended before the line above took effect leaves no one to end the helper.
  const char* window = std::getenv(WindowProcessVariable);
  if (window && std::to_string(::getppid()) != window) return 1;
  // A call into an office that was killed must fail, not end the helper silently.
  std::signal(SIGPIPE, SIG_IGN);
  ModuleAutomationFactory automation;
  PosixFileSystem fileSystem;
  PosixFileFacts facts;
  PosixPrivateState state(PosixPrivateState::DefaultFolder());
  SystemClock clock;
  LocaleRegionalSettings regional;
  int status = 0;
  try {
    ServePass(std::cin, std::cout,
              PassEnvironment{.automation = automation,
                              .fileSystem = fileSystem,
                              .clock = clock,
                              .regional = regional,
                              .historyLogPath = historyLogPath,
                              .pathStyle = PathStyle::Posix,
                              .facts = &facts,
                              .state = &state,
                              .stagingFolder = PrivateStagingFolder()});
  } catch (const std::exception& failure) {
    std::cerr << "tallyguard backup helper: " << failure.what() << '\n';
    status = 1;
  }
  // Tearing the office's runtime down at exit can crash; the pass is over and said so, so the
  // helper ends here without it.
  std::cout.flush();
  std::_Exit(status);
}

}  // namespace tg

#include "adapters/posix/BackupHelperMain.h"

#include <sys/prctl.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <iostream>
#include <string>

#include "adapters/posix/ChangeWatchMain.h"
#include "adapters/posix/ModuleAutomationFactory.h"
#include "adapters/posix/PosixSystem.h"
#include "backup/PassHelperSide.h"

namespace tg {

bool FollowTheWindow() {
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  // A window that ended before the line above took effect leaves no one to end the child.
  const char* window = std::getenv(WindowProcessVariable);
  if (window && std::to_string(::getppid()) != window) return false;
  std::signal(SIGPIPE, SIG_IGN);
  return true;
}

int RunBackupHelper(const char* historyLogPath) {
  if (!FollowTheWindow()) return 1;
  ModuleAutomationFactory automation;
  PosixSystem system;
  const std::unique_ptr<ChangeWitness> witness = WitnessOf(automation.options());
  PassEnvironment environment = system.services().passEnvironment(automation, historyLogPath);
  environment.witness = witness.get();
  const int status = ServeHelperPass(std::cin, std::cout, std::cerr, environment);
  // Tearing the office's runtime down at exit can crash; the pass is over and said so, so the
  // helper ends here without it.
  std::_Exit(status);
}

}  // namespace tg

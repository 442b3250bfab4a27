#include "adapters/posix/PosixSystem.h"

#include <exception>
#include <utility>

#include "adapters/posix/StagingFolder.h"
#include "backup/PassWindowSide.h"

namespace tg {

PosixSystem::PosixSystem() {
  try {
    state_.emplace(PosixPrivateState::DefaultFolder());
  } catch (const std::exception&) {
    // No home folder: the pass and the listing go on without the private records.
  }
}

PassEnvironment PosixSystem::passEnvironment(AutomationFactory& automation,
                                             std::string historyLogPath) {
  return PassEnvironment{.automation = automation,
                         .fileSystem = fileSystem,
                         .clock = clock,
                         .regional = regional,
                         .historyLogPath = std::move(historyLogPath),
                         .pathStyle = PathStyle::Posix,
                         .facts = &facts,
                         .state = state(),
                         .stagingFolder = PrivateStagingFolder()};
}

ListCopiesPorts PosixSystem::listCopies() {
  return ListCopiesPorts{.fileSystem = fileSystem,
                         .facts = facts,
                         .state = state(),
                         .regional = regional,
                         .environment = environment,
                         .pathStyle = PathStyle::Posix};
}

BackupNowPorts PosixSystem::backupNow(SettingsBackend& settings, const OfficePresence& presence,
                                      const Shell& shell, HelperProcess& helper,
                                      MessageLoop& messageLoop) {
  return BackupNowPorts{.settings = settings,
                        .presence = presence,
                        .environment = environment,
                        .shell = shell,
                        .clock = clock,
                        .pathStyle = PathStyle::Posix,
                        .helper = helper,
                        .messageLoop = messageLoop,
                        .hangSeconds = ChosenOfficeHangSeconds(environment)};
}

}  // namespace tg

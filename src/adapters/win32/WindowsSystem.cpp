#include "adapters/win32/WindowsSystem.h"

#include <utility>

#include "backup/PassWindowSide.h"

namespace tg {

// Windows has no private tmpfs to stage copies in: %TEMP% is usually on the same disk, so the
// office stores each copy straight into its folder, watched by the disk guard after the store.
PassEnvironment WindowsSystem::passEnvironment(AutomationFactory& automation,
                                               std::string historyLogPath) {
  return PassEnvironment{.automation = automation,
                         .fileSystem = fileSystem,
                         .clock = clock,
                         .regional = regional,
                         .historyLogPath = std::move(historyLogPath),
                         .pathStyle = PathStyle::Windows,
                         .facts = &facts,
                         .state = &state};
}

ListCopiesPorts WindowsSystem::listCopies() {
  return ListCopiesPorts{.fileSystem = fileSystem,
                         .facts = facts,
                         .state = &state,
                         .regional = regional,
                         .environment = environment,
                         .pathStyle = PathStyle::Windows};
}

BackupNowPorts WindowsSystem::backupNow(SettingsBackend& settings, const OfficePresence& presence,
                                        const Shell& shell, HelperProcess& helper,
                                        MessageLoop& messageLoop) {
  return BackupNowPorts{.settings = settings,
                        .presence = presence,
                        .environment = environment,
                        .shell = shell,
                        .clock = clock,
                        .pathStyle = PathStyle::Windows,
                        .helper = helper,
                        .messageLoop = messageLoop,
                        .hangSeconds = ChosenOfficeHangSeconds(environment)};
}

}  // namespace tg

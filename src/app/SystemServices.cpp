#include "app/SystemServices.h"

#include <utility>

#include "backup/PassWindowSide.h"

namespace tg {

PassEnvironment SystemServices::passEnvironment(AutomationFactory& automation,
                                                std::string historyLogPath) const {
  return PassEnvironment{.automation = automation,
                         .fileSystem = fileSystem,
                         .clock = clock,
                         .regional = regional,
                         .historyLogPath = std::move(historyLogPath),
                         .pathStyle = pathStyle,
                         .facts = &facts,
                         .state = state,
                         .stagingFolder = makeStagingFolder ? makeStagingFolder() : ""};
}

ListCopiesPorts SystemServices::listCopies() const {
  return ListCopiesPorts{.fileSystem = fileSystem,
                         .facts = facts,
                         .state = state,
                         .regional = regional,
                         .environment = environment,
                         .pathStyle = pathStyle};
}

BackupNowPorts SystemServices::backupNow(SettingsBackend& settings, const OfficePresence& presence,
                                         const Shell& shell, HelperProcess& helper,
                                         MessageLoop& messageLoop) const {
  return BackupNowPorts{.settings = settings,
                        .presence = presence,
                        .environment = environment,
                        .shell = shell,
                        .clock = clock,
                        .pathStyle = pathStyle,
                        .helper = helper,
                        .messageLoop = messageLoop,
                        .hangSeconds = ChosenOfficeHangSeconds(environment)};
}

SystemPorts SystemServices::programPorts(SettingsBackend& settings, AutomationFactory& automation,
                                         Shell& shell, SingleInstance& singleInstance,
                                         Autostart& autostart, HelperProcess& helper) const {
  return SystemPorts{.settings = settings,
                     .automation = automation,
                     .shell = shell,
                     .singleInstance = singleInstance,
                     .autostart = autostart,
                     .environment = environment,
                     .fileSystem = fileSystem,
                     .clock = clock,
                     .regional = regional,
                     .helper = helper,
                     .officeHangSeconds = ChosenOfficeHangSeconds(environment)};
}

}  // namespace tg

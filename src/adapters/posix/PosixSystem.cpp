#include "adapters/posix/PosixSystem.h"

#include <exception>

#include "adapters/posix/StagingFolder.h"

namespace tg {

PosixSystem::PosixSystem() {
  try {
    state_.emplace(PosixPrivateState::DefaultFolder());
  } catch (const std::exception&) {
    // No home folder: the pass and the listing go on without the private records.
  }
}

SystemServices PosixSystem::services() {
  return SystemServices{.fileSystem = fileSystem,
                        .facts = facts,
                        .state = state(),
                        .clock = clock,
                        .regional = regional,
                        .environment = environment,
                        .pathStyle = PathStyle::Posix,
                        .makeStagingFolder = PrivateStagingFolder};
}

}  // namespace tg

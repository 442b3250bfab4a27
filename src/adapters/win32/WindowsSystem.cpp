#include "adapters/win32/WindowsSystem.h"

namespace tg {

// Windows has no private tmpfs to stage copies in: %TEMP% is usually on the same disk, so the
// office stores each copy straight into its folder, watched by the disk guard after the store.
SystemServices WindowsSystem::services() {
  return SystemServices{.fileSystem = fileSystem,
                        .facts = facts,
                        .state = &state,
                        .clock = clock,
                        .regional = regional,
                        .environment = environment,
                        .pathStyle = PathStyle::Windows};
}

}  // namespace tg

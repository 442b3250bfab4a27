#include "desktop/mStartUp.h"

#include <exception>

namespace tg {

// The check box keeps saying on or off whatever happens here, so failures stay silent.
void EnableStartup(Autostart& autostart) {
  try {
    autostart.enable();
  } catch (const std::exception&) {
  }
}

void DisableStartup(Autostart& autostart) {
  try {
    autostart.disable();
  } catch (const std::exception&) {
  }
}

}  // namespace tg

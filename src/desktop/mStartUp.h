#pragma once
// Start at logon, switched by the options panel. Never reports anything.

#include "common/ports/Autostart.h"

namespace tg {

void EnableStartup(Autostart& autostart);
void DisableStartup(Autostart& autostart);

}  // namespace tg

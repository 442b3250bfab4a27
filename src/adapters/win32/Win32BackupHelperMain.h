#pragma once
// The Windows backup helper's whole life: one pass against the user's office through COM, asked
// and told over its standard input and output, then the end. No window.

#include <string>
#include <vector>

#include "adapters/win32/Win32OfficePresence.h"

namespace tg {

// Returns the process's exit code. `officeProcessNames`: the processes that show the office
// runs; with none of them running, the pass ends at once and starts no office.
int RunWindowsBackupHelper(
    const char* historyLogPath,
    const std::vector<std::string>& officeProcessNames = OfficeProcessNames());

}  // namespace tg

#pragma once
// The Windows backup helper's whole life: one pass against the user's office through COM, asked
// and told over its standard input and output, then the end. No window.

namespace tg {

// Returns the process's exit code. With the user's office not running the pass ends at once and
// starts no office.
int RunWindowsBackupHelper(const char* historyLogPath);

}  // namespace tg

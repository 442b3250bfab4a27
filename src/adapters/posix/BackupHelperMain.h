#pragma once
// The backup helper's whole life: one pass against the user's office, asked and told over its
// standard input and output, then the end. No window, no toolkit.

namespace tg {

// Names the window's process id in the helper's environment.
inline constexpr const char* WindowProcessVariable = "TALLYGUARD_WINDOW_PID";

// Returns the process's exit code.
int RunBackupHelper(const char* historyLogPath);

}  // namespace tg

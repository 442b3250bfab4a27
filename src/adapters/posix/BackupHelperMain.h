#pragma once
// The backup helper's whole life: one pass against the user's office, asked and told over its
// standard input and output, then the end. No window, no toolkit.

namespace tg {

// Names the window's process id in the helper's environment.
inline constexpr const char* WindowProcessVariable = "TALLYGUARD_WINDOW_PID";

// Returns the process's exit code.
int RunBackupHelper(const char* historyLogPath);

// What every child of the window does first: it ends with the window, whatever ends that, and a
// call into an office that was killed fails instead of ending it. False when the window has
// ended already: the child then ends at once.
bool FollowTheWindow();

}  // namespace tg

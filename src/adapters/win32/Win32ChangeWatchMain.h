#pragma once
// The change watch's whole life on Windows: the program started by its window with
// "--change-watch" and the history log; it follows the user's office, answers passes on its pipe,
// makes the copy of a document closing with edits in no copy, and answers the window's
// heartbeat on its standard streams, until the window ends.

namespace tg {

// Returns the process's exit code.
int RunWindowsChangeWatch(const char* historyLogPath);

}  // namespace tg

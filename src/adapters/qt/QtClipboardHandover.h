#pragma once
// On X11 the clipboard's text lives in the program that copied it. Before the program ends, the
// text is handed to the desktop's clipboard manager, so "Copy History To Clipboard" still pastes
// after Tallyguard has closed.

namespace tg {

// Does nothing off X11, when this program owns no clipboard text or when no manager runs; waits
// at most a few seconds for a manager that does not answer.
void HandClipboardToManager();

}  // namespace tg

#include "adapters/win32/Win32MessageLoop.h"

#include <windows.h>

namespace tg {

namespace {
// A yield waits this long for the user when nothing is queued, so a window waiting on its helper
// answers at once yet does not spin a core.
constexpr DWORD LongestIdleMs = 10;
}  // namespace

void Win32MessageLoop::yield() {
  MsgWaitForMultipleObjectsEx(0, nullptr, LongestIdleMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    // A quit asked for while a pass yields belongs to the outer loop.
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    if (dialogKeys_ && dialogKeys_(message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

}  // namespace tg

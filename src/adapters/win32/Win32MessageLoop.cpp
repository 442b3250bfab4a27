#include "adapters/win32/Win32MessageLoop.h"

#include <windows.h>

namespace tg {

namespace {
// A yield waits this long for the user when nothing is queued, so a window waiting on its helper
// answers at once yet does not spin a core.
constexpr DWORD LongestIdleMs = 10;
}  // namespace

void Win32MessageLoop::dispatch(MSG& message) {
  if (dialogKeys_ && dialogKeys_(message)) return;
  for (HWND window : dialogWindows_) {
    if (IsDialogMessageA(window, &message)) return;
  }
  TranslateMessage(&message);
  DispatchMessageA(&message);
}

int Win32MessageLoop::run() {
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) dispatch(message);
  return static_cast<int>(message.wParam);
}

void Win32MessageLoop::yield() {
  MsgWaitForMultipleObjectsEx(0, nullptr, LongestIdleMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    // A quit asked for while a pass yields belongs to the outer loop.
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    dispatch(message);
  }
}

}  // namespace tg

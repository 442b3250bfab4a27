#include "adapters/win32/Win32MessageLoop.h"

#include <windows.h>

namespace tg {

void Win32MessageLoop::yield() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    // A quit asked for while a pass yields belongs to the outer loop.
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

}  // namespace tg

#include "adapters/win32/Win32HiddenWindow.h"

#include "adapters/win32/Win32Control.h"
#include "adapters/win32/WinError.h"

namespace tg {

Win32HiddenWindow::Win32HiddenWindow(const char* name) {
  RegisterWindowClass(ClassName, WindowProc, false);
  handle_ = CreateWindowExA(0, ClassName, name, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                            GetModuleHandleA(nullptr), nullptr);
  if (handle_ == nullptr) {
    throw WinError(GetLastError(), "The program's hidden window could not be created: " +
                                       SystemMessage(GetLastError()));
  }
  SetWindowLongPtrA(handle_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

Win32HiddenWindow::~Win32HiddenWindow() {
  SetWindowLongPtrA(handle_, GWLP_USERDATA, 0);
  DestroyWindow(handle_);
}

LRESULT CALLBACK Win32HiddenWindow::WindowProc(HWND window, UINT message, WPARAM wParam,
                                               LPARAM lParam) {
  auto* self = reinterpret_cast<Win32HiddenWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (self && self->handler_) self->handler_(message, wParam, lParam);
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace tg

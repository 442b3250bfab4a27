#include "adapters/win32/Win32ShowRequests.h"

#include <stdexcept>

#include "adapters/win32/WinError.h"

namespace tg {

namespace {

constexpr const char* ClassName = "Morvane.Tallyguard.ShowRequests";
constexpr UINT ShowRequest = WM_APP + 1;

void RegisterClassOnce() {
  static const bool registered = [] {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = ClassName;
    return RegisterClassA(&windowClass) != 0;
  }();
  if (!registered)
    throw WinError(GetLastError(), "The program could not listen for a second start.");
}

}  // namespace

Win32ShowRequests::Win32ShowRequests(std::function<void()> show) : show_(std::move(show)) {
  RegisterClassOnce();
  window_ = CreateWindowExA(0, ClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                            GetModuleHandleA(nullptr), nullptr);
  if (window_ == nullptr) {
    throw WinError(GetLastError(), "The program could not listen for a second start.");
  }
  SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowProc));
}

Win32ShowRequests::~Win32ShowRequests() {
  if (window_ != nullptr) DestroyWindow(window_);
}

LRESULT CALLBACK Win32ShowRequests::WindowProc(HWND window, UINT message, WPARAM wParam,
                                               LPARAM lParam) {
  auto* self = reinterpret_cast<Win32ShowRequests*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (message == ShowRequest && self != nullptr && self->show_) {
    self->show_();
    return 1;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

bool Win32ShowRequests::AskRunningCopyToShow() {
  HWND listener = FindWindowExA(HWND_MESSAGE, nullptr, ClassName, nullptr);
  if (listener == nullptr) return false;
  // Windows lets only the program in front bring another to the front; this start was the user's
  // own act, so it hands that right on.
  DWORD runningCopy = 0;
  GetWindowThreadProcessId(listener, &runningCopy);
  AllowSetForegroundWindow(runningCopy);
  return PostMessageA(listener, ShowRequest, 0, 0) != 0;
}

}  // namespace tg

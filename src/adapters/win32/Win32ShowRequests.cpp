#include "adapters/win32/Win32ShowRequests.h"

namespace tg {

namespace {

constexpr const char* ListenerName = "Morvane.Tallyguard.ShowRequests";
constexpr UINT ShowRequest = WM_APP + 1;

}  // namespace

Win32ShowRequests::Win32ShowRequests(std::function<void()> show) : listener_(ListenerName) {
  listener_.onMessage([show = std::move(show)](UINT message, WPARAM, LPARAM) {
    if (message == ShowRequest && show) show();
  });
}

bool Win32ShowRequests::AskRunningCopyToShow() {
  HWND listener = FindWindowExA(HWND_MESSAGE, nullptr, Win32HiddenWindow::ClassName, ListenerName);
  if (listener == nullptr) return false;
  // Windows lets only the program in front bring another to the front; this start was the user's
  // own act, so it hands that right on.
  DWORD runningCopy = 0;
  GetWindowThreadProcessId(listener, &runningCopy);
  AllowSetForegroundWindow(runningCopy);
  return PostMessageA(listener, ShowRequest, 0, 0) != 0;
}

}  // namespace tg

#include "adapters/win32/Win32ShowRequests.h"

namespace tg {

namespace {

constexpr const char* ListenerName = "Morvane.Tallyguard.ShowRequests";
constexpr UINT ShowRequest = WM_APP + 1;
constexpr UINT VersionsRequest = WM_APP + 2;

}  // namespace

Win32ShowRequests::Win32ShowRequests(std::function<void()> show, std::function<void()> versions)
    : listener_(ListenerName) {
  listener_.onMessage(
      [show = std::move(show), versions = std::move(versions)](UINT message, WPARAM, LPARAM) {
        if (message == ShowRequest && show) show();
        if (message == VersionsRequest && versions) versions();
      });
}

bool Win32ShowRequests::AskRunningCopyToShow() { return Ask(ShowRequest); }

bool Win32ShowRequests::AskRunningCopyForVersions() { return Ask(VersionsRequest); }

bool Win32ShowRequests::Ask(UINT request) {
  HWND listener = FindWindowExA(HWND_MESSAGE, nullptr, Win32HiddenWindow::ClassName, ListenerName);
  if (listener == nullptr) return false;
  // Windows lets only the program in front bring another to the front; this start was the user's
  // own act, so it hands that right on.
  DWORD runningCopy = 0;
  GetWindowThreadProcessId(listener, &runningCopy);
  AllowSetForegroundWindow(runningCopy);
  return PostMessageA(listener, request, 0, 0) != 0;
}

}  // namespace tg

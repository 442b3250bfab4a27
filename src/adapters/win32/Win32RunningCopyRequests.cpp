#include "adapters/win32/Win32RunningCopyRequests.h"

namespace tg {
namespace {

// The window class a later start finds the running copy by; it hears every request, not only Show.
constexpr const char* ListenerName = "Morvane.Tallyguard.Requests";

// Each request is a message of its own, posted, so the asking start never waits on the window.
UINT MessageOf(RunningCopyRequest request) {
  switch (request) {
    case RunningCopyRequest::Show:
      return WM_APP + 1;
    case RunningCopyRequest::Versions:
      return WM_APP + 2;
    case RunningCopyRequest::BackupNow:
      return WM_APP + 3;
  }
  return 0;
}

}  // namespace

void Win32RunningCopyRequests::listen(std::function<void(RunningCopyRequest)> answer) {
  listener_ = std::make_unique<Win32HiddenWindow>(ListenerName);
  listener_->onMessage([answer = std::move(answer)](UINT message, WPARAM, LPARAM) {
    for (RunningCopyRequest request : EveryRunningCopyRequest) {
      if (message == MessageOf(request)) answer(request);
    }
  });
}

bool Win32RunningCopyRequests::ask(RunningCopyRequest request) {
  HWND listener = FindWindowExA(HWND_MESSAGE, nullptr, Win32HiddenWindow::ClassName, ListenerName);
  if (listener == nullptr) return false;
  // Windows lets only the program in front bring another to the front; this start was the user's
  // own act, so it hands that right on.
  DWORD runningCopy = 0;
  GetWindowThreadProcessId(listener, &runningCopy);
  AllowSetForegroundWindow(runningCopy);
  return PostMessageA(listener, MessageOf(request), 0, 0) != 0;
}

}  // namespace tg

#pragma once
// A message-only window of the program's own: what the timer ticks on, what owns the text the
// program puts on the clipboard, and, under a name, what a second start of the program finds.

// clang-format off
#include <windows.h>
// clang-format on

#include <functional>

namespace tg {

class Win32HiddenWindow {
 public:
  using MessageHandler = std::function<void(UINT message, WPARAM wParam, LPARAM lParam)>;
  static constexpr const char* ClassName = "TallyguardHiddenWindow";
  // `name` lets another process find the window (FindWindowExA with HWND_MESSAGE).
  explicit Win32HiddenWindow(const char* name = "");
  ~Win32HiddenWindow();
  Win32HiddenWindow(const Win32HiddenWindow&) = delete;
  Win32HiddenWindow& operator=(const Win32HiddenWindow&) = delete;

  HWND handle() const { return handle_; }
  // Sees every message that reaches the window; the window answers them as any window does.
  void onMessage(MessageHandler handler) { handler_ = std::move(handler); }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  HWND handle_;
  MessageHandler handler_;
};

}  // namespace tg

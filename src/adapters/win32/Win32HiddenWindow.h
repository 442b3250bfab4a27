#pragma once
// A message-only window of the program's own: what the timer ticks on and what owns the text the
// program puts on the clipboard.

// clang-format off
#include <windows.h>
// clang-format on

#include <functional>

namespace tg {

class Win32HiddenWindow {
 public:
  using MessageHandler = std::function<void(UINT message, WPARAM wParam, LPARAM lParam)>;
  Win32HiddenWindow();
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

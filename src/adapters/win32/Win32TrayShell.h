#pragma once
// The notification area through Shell_NotifyIconA: one icon (identifier 0) on a window of its
// own that receives the shell's callback message and hands each notification to the tray
// control. The record is NOTIFYICONDATAA in the size that carries the balloon fields.

// windows.h first: the shell header builds on it.
// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on

#include <functional>

#include "common/ports/TrayShell.h"

namespace tg {

inline constexpr UINT TrayCallbackMessage = WM_USER + 101;  // 0x465

// The records of each call, for their tests: texts cut to their fields with a NUL inside.
NOTIFYICONDATAA TrayAddRecord(HWND window, std::string_view tip, HICON icon);
NOTIFYICONDATAA TrayTipRecord(HWND window, std::string_view tip);
NOTIFYICONDATAA TrayIconRecord(HWND window, HICON icon);
NOTIFYICONDATAA TrayBalloonRecord(HWND window, std::string_view text, std::string_view title,
                                  int timeoutMs);
NOTIFYICONDATAA TrayDeleteRecord(HWND window);

class Win32TrayShell : public TrayShell {
 public:
  explicit Win32TrayShell(HICON icon);
  ~Win32TrayShell() override;
  Win32TrayShell(const Win32TrayShell&) = delete;
  Win32TrayShell& operator=(const Win32TrayShell&) = delete;

  void addIcon(std::string_view tip, bool withIcon) override;
  void setIcon() override;
  void setTip(std::string_view tip) override;
  void showBalloon(std::string_view text, std::string_view title, int timeoutMs) override;
  void withdrawBalloon() override;
  void deleteIcon() override;
  void onNotification(std::function<void(int code, int id)> callback) override;

  HWND window() const { return window_; }
  // What the shell answered to the last call (TRUE on success); the tray control never asks.
  BOOL lastResult() const { return lastResult_; }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void send(DWORD message, NOTIFYICONDATAA record);

  HICON icon_;
  HWND window_ = nullptr;
  int lastTimeoutMs_ = 0;
  BOOL lastResult_ = FALSE;
  std::function<void(int, int)> callback_;
};

}  // namespace tg

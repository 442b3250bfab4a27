#pragma once
// The notification area through Shell_NotifyIconA: one icon (identifier 0) on a window of its
// own that receives the shell's callback message and hands each notification to the tray
// control. The record is NOTIFYICONDATAA in the size that carries the balloon fields. With a menu
// set, the right button's release opens it at the cursor instead of reaching the control.

// windows.h first: the shell header builds on it.
// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on

#include <functional>
#include <string>
#include <utility>
#include <vector>

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

// How a record reaches the shell: Shell_NotifyIconA, or a stand-in for a test.
using ShellNotify = std::function<BOOL(DWORD message, NOTIFYICONDATAA* record)>;

// At logon the program may start before the taskbar exists, and the shell then refuses the icon.
// It is asked again every few seconds for the first minutes, and whenever a new taskbar says it
// was created; until it takes the icon, available() says there is no tray.
class Win32TrayShell : public TrayShell {
 public:
  explicit Win32TrayShell(HICON icon, ShellNotify notify = Shell_NotifyIconA);
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
  bool available() const override { return !wanted_ || shown_; }

  void setMenu(std::vector<std::string> captions) override { menu_ = std::move(captions); }
  // The menu runs its own loop until closed; the choice is told once it is.
  void openMenu() override;
  void onMenuChoice(std::function<void(std::size_t position)> callback) override {
    menuChoice_ = std::move(callback);
  }

  HWND window() const { return window_; }
  // What the shell answered to the last call (TRUE on success); the tray control never asks.
  BOOL lastResult() const { return lastResult_; }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void send(DWORD message, NOTIFYICONDATAA record);
  // A new taskbar (Explorer restarted, or the first one at logon) knows no icons: the one wanted
  // is added again as it was.
  void addAgain();
  void tryToAdd();
  void retryTimerFired();
  // The entry chosen (from 1), or 0 when the user closed the menu without a choice.
  UINT trackMenu();

  HICON icon_;
  ShellNotify notify_;
  HWND window_ = nullptr;
  int triesLeft_ = 0;
  int lastTimeoutMs_ = 0;
  BOOL lastResult_ = FALSE;
  std::function<void(int, int)> callback_;
  std::vector<std::string> menu_;
  std::function<void(std::size_t)> menuChoice_;
  bool wanted_ = false;  // added by the program and not removed
  bool shown_ = false;   // and the shell holds it
  bool withIcon_ = false;
  std::string tip_;
};

}  // namespace tg

#include "adapters/win32/Win32TrayShell.h"

#include <algorithm>
#include <cstring>

#include "mainwindow/TextLength.h"

namespace tg {
namespace {

// The text and its NUL inside the field: longer texts are cut.
template <size_t N>
void CopyField(char (&field)[N], std::string_view text) {
  const std::string_view fits = CutAtCharacter(text, N - 1);
  std::memcpy(field, fits.data(), fits.size());
  field[fits.size()] = '\0';
}

NOTIFYICONDATAA Record(HWND window) {
  NOTIFYICONDATAA record{};
  record.cbSize = NOTIFYICONDATAA_V2_SIZE;
  record.hWnd = window;
  record.uID = 0;
  return record;
}

// The shell's notification codes are the mouse messages, which the tray control knows by number.
static_assert(TrayContextMenu == WM_CONTEXTMENU && TrayRightButtonUp == WM_RBUTTONUP &&
              TrayLeftButtonUp == WM_LBUTTONUP);

const char* const WindowClass = "TallyguardTrayWindow";
// Asked again every 2 seconds for 5 minutes: long enough for a slow logon.
constexpr UINT_PTR AddAgainTimer = 1;
constexpr UINT AddAgainMs = 2000;
constexpr int AddAgainTries = 150;

}  // namespace

NOTIFYICONDATAA TrayAddRecord(HWND window, std::string_view tip, HICON icon) {
  NOTIFYICONDATAA record = Record(window);
  record.uFlags = NIF_MESSAGE;
  record.uCallbackMessage = TrayCallbackMessage;
  if (icon) {
    record.uFlags |= NIF_ICON;
    record.hIcon = icon;
  }
  if (!tip.empty()) {
    record.uFlags |= NIF_TIP;
    CopyField(record.szTip, tip);
  }
  return record;
}

NOTIFYICONDATAA TrayTipRecord(HWND window, std::string_view tip) {
  NOTIFYICONDATAA record = Record(window);
  record.uFlags = NIF_TIP;
  CopyField(record.szTip, tip);
  return record;
}

NOTIFYICONDATAA TrayIconRecord(HWND window, HICON icon) {
  NOTIFYICONDATAA record = Record(window);
  record.uFlags = NIF_ICON;
  record.hIcon = icon;
  return record;
}

NOTIFYICONDATAA TrayBalloonRecord(HWND window, std::string_view text, std::string_view title,
                                  int timeoutMs) {
  NOTIFYICONDATAA record = Record(window);
  record.uFlags = NIF_INFO;
  CopyField(record.szInfo, text);
  CopyField(record.szInfoTitle, title);
  record.uTimeout = timeoutMs > 0 ? static_cast<UINT>(timeoutMs) : 0;
  record.dwInfoFlags = NIIF_NONE;
  return record;
}

NOTIFYICONDATAA TrayDeleteRecord(HWND window) { return Record(window); }

Win32TrayShell::Win32TrayShell(HICON icon, ShellNotify notify)
    : icon_(icon), notify_(std::move(notify)) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = WindowClass;
  RegisterClassA(&windowClass);  // fails harmlessly when a second shell registers it again
  window_ = CreateWindowExA(0, WindowClass, "Tallyguard tray", WS_OVERLAPPED, 0, 0, 0, 0, nullptr,
                            nullptr, instance, nullptr);
  SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

Win32TrayShell::~Win32TrayShell() {
  if (window_) DestroyWindow(window_);
}

LRESULT CALLBACK Win32TrayShell::WindowProc(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
  static const UINT TaskbarCreated = RegisterWindowMessageA("TaskbarCreated");
  auto* shell = reinterpret_cast<Win32TrayShell*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (message == TrayCallbackMessage) {
    if (shell && shell->callback_) {
      shell->callback_(static_cast<int>(LOWORD(lParam)), static_cast<int>(wParam));
    }
    return 0;
  }
  if (message == TaskbarCreated && TaskbarCreated != 0) {
    if (shell) shell->addAgain();
    return 0;
  }
  if (message == WM_TIMER && wParam == AddAgainTimer) {
    if (shell) shell->retryTimerFired();
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

void Win32TrayShell::openMenu() {
  const UINT chosen = trackMenu();
  if (chosen == 0 || chosen > menu_.size() || !menuChoice_) return;
  menuChoice_(chosen - 1);
}

UINT Win32TrayShell::trackMenu() {
  HMENU popup = CreatePopupMenu();
  for (size_t i = 0; i < menu_.size(); ++i) {
    AppendMenuA(popup, MF_STRING, i + 1, menu_[i].c_str());
  }
  POINT cursor{};
  GetCursorPos(&cursor);
  // The menu closes on a click elsewhere only when its window is in front; the message posted
  // after it lets the next right click open it again at once.
  SetForegroundWindow(window_);
  const UINT chosen =
      static_cast<UINT>(TrackPopupMenu(popup, TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON,
                                       cursor.x, cursor.y, 0, window_, nullptr));
  PostMessageA(window_, WM_NULL, 0, 0);
  DestroyMenu(popup);
  return chosen;
}

void Win32TrayShell::send(DWORD message, NOTIFYICONDATAA record) {
  lastResult_ = notify_(message, &record);
}

void Win32TrayShell::addIcon(std::string_view tip, bool withIcon) {
  wanted_ = true;
  withIcon_ = withIcon;
  tip_ = tip;
  addAgain();
}

// The taskbar may take the icon and still report a failure (its time-out at logon); every later
// add then fails because the icon is there. So a failed add asks whether it is there, by
// changing it to what the add asked for.
void Win32TrayShell::tryToAdd() {
  const NOTIFYICONDATAA record = TrayAddRecord(window_, tip_, withIcon_ ? icon_ : nullptr);
  send(NIM_ADD, record);
  if (lastResult_ == FALSE) send(NIM_MODIFY, record);
  shown_ = lastResult_ != FALSE;
  if (shown_) KillTimer(window_, AddAgainTimer);
}

// A new taskbar may still be starting: it is asked again by the clock, as after start-up.
void Win32TrayShell::addAgain() {
  if (!wanted_) return;
  tryToAdd();
  if (shown_) return;
  triesLeft_ = AddAgainTries;
  SetTimer(window_, AddAgainTimer, AddAgainMs, nullptr);
}

void Win32TrayShell::retryTimerFired() {
  if (!wanted_ || shown_ || triesLeft_-- <= 0) {
    KillTimer(window_, AddAgainTimer);
    return;
  }
  tryToAdd();
}

void Win32TrayShell::setIcon() {
  send(NIM_MODIFY, TrayIconRecord(window_, icon_));
  withIcon_ = true;
}

void Win32TrayShell::setTip(std::string_view tip) {
  send(NIM_MODIFY, TrayTipRecord(window_, tip));
  tip_ = tip;
}

void Win32TrayShell::showBalloon(std::string_view text, std::string_view title, int timeoutMs) {
  lastTimeoutMs_ = timeoutMs;
  send(NIM_MODIFY, TrayBalloonRecord(window_, text, title, timeoutMs));
}

// Empty texts take the balloon away; the timeout stays as the balloon had it.
void Win32TrayShell::withdrawBalloon() {
  send(NIM_MODIFY, TrayBalloonRecord(window_, "", "", lastTimeoutMs_));
}

void Win32TrayShell::deleteIcon() {
  send(NIM_DELETE, TrayDeleteRecord(window_));
  KillTimer(window_, AddAgainTimer);
  wanted_ = false;
  shown_ = false;
}

void Win32TrayShell::onNotification(std::function<void(int code, int id)> callback) {
  callback_ = std::move(callback);
}

}  // namespace tg

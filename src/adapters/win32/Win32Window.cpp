#include "adapters/win32/Win32Window.h"

#include <stdexcept>
#include <utility>

#include "adapters/win32/Win32Dpi.h"
#include "adapters/win32/Win32Frame.h"
#include "adapters/win32/WinError.h"
#include "common/Descriptions.h"

namespace tg {

namespace {

const char* const WindowClass = "TallyguardMainWindow";
constexpr DWORD WindowStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD WindowExtendedStyle = WS_EX_CONTROLPARENT;

BOOL CALLBACK TellSkinColoursChanged(HWND child, LPARAM) {
  SendMessageA(child, SkinColoursChangedMessage(), 0, 0);
  return TRUE;
}

}  // namespace

Win32Window::Win32Window() {
  RegisterWindowClass(WindowClass, WindowProc, true);
  const HWND created = CreateWindowExA(WindowExtendedStyle, WindowClass, "", WindowStyle,
                                       CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                       nullptr, nullptr, GetModuleHandleA(nullptr), this);
  if (created == nullptr) {
    throw WinError(GetLastError(),
                   "The main window could not be created: " + SystemMessage(GetLastError()));
  }
  dpi_ = DpiOf(handle_);
}

Win32Window::~Win32Window() {
  AttachSkinColours(handle_, nullptr);
  SetWindowLongPtrA(handle_, GWLP_USERDATA, 0);
  DestroyWindow(handle_);
  if (customPointer_) DestroyCursor(customPointer_);
  if (bigIcon_) DestroyIcon(bigIcon_);
  if (smallIcon_) DestroyIcon(smallIcon_);
}

// The frame is the one the window has now, when it has one to measure: after a move to another
// DPI the system has already drawn caption and borders at that DPI, which is not always what the
// rule for the frame at a DPI says (Wine's frame keeps the screen's). A minimised window has no
// client area to measure by.
void Win32Window::setClientSize(int width, int height) {
  SIZE outer = WindowSizeFor(SIZE{width, height}, WindowStyle, WindowExtendedStyle, dpi_);
  RECT window;
  RECT client;
  if (!IsIconic(handle_) && GetWindowRect(handle_, &window) && GetClientRect(handle_, &client) &&
      client.right > 0 && client.bottom > 0) {
    outer = SIZE{width + (window.right - window.left) - client.right,
                 height + (window.bottom - window.top) - client.bottom};
  }
  SetWindowPos(handle_, nullptr, 0, 0, outer.cx, outer.cy,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The rectangle the system proposes keeps the window where the user sees it on the new monitor;
// a size set from code is no user's minimise, so no resize is raised.
void Win32Window::moveToDpi(int dpi, const RECT& proposed) {
  dpi_ = dpi;
  changeFromCode([&] {
    SetWindowPos(handle_, nullptr, proposed.left, proposed.top, proposed.right - proposed.left,
                 proposed.bottom - proposed.top, SWP_NOZORDER | SWP_NOACTIVATE);
    if (dpiChanged_) dpiChanged_(dpi);
  });
  if (hasApplicationIcon_) loadApplicationIcons();
  if (!customPointerFile_.empty()) {
    if (HCURSOR resized = cursorFromFile()) {
      if (customPointer_) DestroyCursor(customPointer_);
      customPointer_ = resized;
      if (pointer_ == MousePointer::Custom) refreshPointer();
    }
  }
  RedrawWindow(handle_, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_ALLCHILDREN);
}

void Win32Window::setCaption(std::string_view caption) {
  SetWindowTextA(handle_, std::string(caption).c_str());
}

// The icon file holds pictures of several sizes; the one nearest the size is drawn to it.
HICON ProgramIcon(int size) {
  HANDLE icon = LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(1), IMAGE_ICON, size, size,
                           LR_DEFAULTCOLOR);
  if (icon == nullptr) {
    icon = LoadImageA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION), IMAGE_ICON, size, size,
                      LR_SHARED);
    icon = icon ? CopyImage(icon, IMAGE_ICON, size, size, 0) : nullptr;
  }
  return static_cast<HICON>(icon);
}

int TrayIconSize() { return GetSystemMetrics(SM_CXSMICON); }

void Win32Window::setApplicationIcon() {
  hasApplicationIcon_ = true;
  loadApplicationIcons();
}

// The caption shows the small icon, Alt+Tab the big one, each at the window's DPI.
void Win32Window::loadApplicationIcons() {
  HICON bigIcon = ProgramIcon(SystemMetricAt(SM_CXICON, dpi_));
  HICON smallIcon = ProgramIcon(SystemMetricAt(SM_CXSMICON, dpi_));
  SendMessageA(handle_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon));
  SendMessageA(handle_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon));
  if (bigIcon_) DestroyIcon(bigIcon_);
  if (smallIcon_) DestroyIcon(smallIcon_);
  bigIcon_ = bigIcon;
  smallIcon_ = smallIcon;
}

void Win32Window::showIn(WindowState state) {
  ShowWindow(handle_, state == WindowState::Minimized ? SW_SHOWMINIMIZED : SW_SHOWNORMAL);
}

WindowState Win32Window::shownState() const {
  return IsIconic(handle_) ? WindowState::Minimized : WindowState::Normal;
}

void Win32Window::changeShownState(WindowState state) {
  ShowWindow(handle_, state == WindowState::Minimized ? SW_MINIMIZE : SW_RESTORE);
}

void Win32Window::setFocus() {
  BringWindowToTop(handle_);
  SetForegroundWindow(handle_);
}

// Without a loaded cursor file the custom pointer is the default one.
HCURSOR Win32Window::pointerCursor() const {
  switch (pointer_) {
    case MousePointer::Hourglass:
      return LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_WAIT));
    case MousePointer::Custom:
      return customPointer_;
    default:
      return nullptr;
  }
}

void Win32Window::setMousePointer(MousePointer pointer) {
  pointer_ = pointer;
  refreshPointer();
}

// The pointer changes at once where it stands, not at its next move.
void Win32Window::refreshPointer() const {
  POINT where;
  if (!GetCursorPos(&where)) return;
  HWND under = WindowFromPoint(where);
  if (under != handle_ && !IsChild(handle_, under)) return;
  SendMessageA(under, WM_SETCURSOR, reinterpret_cast<WPARAM>(under),
               MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
}

HCURSOR Win32Window::cursorFromFile() const {
  const int size = SystemMetricAt(SM_CXCURSOR, dpi_);
  return static_cast<HCURSOR>(
      LoadImageA(nullptr, customPointerFile_.c_str(), IMAGE_CURSOR, size, size, LR_LOADFROMFILE));
}

void Win32Window::loadCustomPointer(std::string_view cursorFile) {
  std::string previousFile = std::exchange(customPointerFile_, std::string(cursorFile));
  HCURSOR loaded = cursorFromFile();
  if (loaded == nullptr) {
    customPointerFile_ = std::move(previousFile);
    throw std::runtime_error(Descriptions::FileCannotBeRead(cursorFile));
  }
  if (customPointer_) DestroyCursor(customPointer_);
  customPointer_ = loaded;
  if (pointer_ == MousePointer::Custom) refreshPointer();
}

void Win32Window::setColours(COLORREF background, COLORREF text) {
  skinFill_.set(background);
  skin_ = SkinColours{background, text, skinFill_.brush()};
  AttachSkinColours(handle_, &skin_);
  EnumChildWindows(handle_, TellSkinColoursChanged, 0);
  RedrawWindow(handle_, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_ALLCHILDREN);
}

LRESULT CALLBACK Win32Window::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self =
        static_cast<Win32Window*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    self->handle_ = window;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<Win32Window*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcA(window, message, wParam, lParam);
  return self->answer(message, wParam, lParam);
}

LRESULT Win32Window::answer(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY:
      if (std::optional<LRESULT> routed = Win32Control::Route(message, wParam, lParam)) {
        return *routed;
      }
      break;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT: {
      // A frame's caption is drawn in the frame's own colours.
      const auto* frame =
          dynamic_cast<Win32Frame*>(Win32Control::Of(reinterpret_cast<HWND>(lParam)));
      std::optional<LRESULT> colour = frame
                                          ? frame->answerColour(message, wParam)
                                          : AnswerControlColour(handle_, message, wParam, noFill_);
      if (colour) return *colour;
      break;
    }
    case WM_ERASEBKGND:
      if (EraseWithColours(handle_, reinterpret_cast<HDC>(wParam), noFill_)) return 1;
      break;
    case WM_SETCURSOR:
      if (HCURSOR cursor = pointerCursor(); cursor && LOWORD(lParam) == HTCLIENT) {
        SetCursor(cursor);
        return TRUE;
      }
      break;
    case WM_MOUSEMOVE:
      if (mouseMove_) mouseMove_();
      return 0;
    case WM_SIZE:
      resized();
      return 0;
    case WM_DPICHANGED:
      moveToDpi(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_CLOSE:
      if (close_) {
        close_();
      } else {
        setVisible(false);
      }
      return 0;
    default:
      break;
  }
  return DefWindowProcA(handle_, message, wParam, lParam);
}

}  // namespace tg

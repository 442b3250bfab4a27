#include "adapters/win32/Win32Window.h"

#include <stdexcept>

#include "adapters/win32/Win32Frame.h"
#include "adapters/win32/WinError.h"
#include "common/Descriptions.h"

namespace tg {

namespace {

const char* const WindowClass = "TallyguardMainWindow";
constexpr DWORD WindowStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD WindowExtendedStyle = WS_EX_CONTROLPARENT;

void RegisterClassOnce(WNDPROC procedure) {
  static const bool registered = [procedure] {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = WindowClass;
    return RegisterClassExA(&windowClass) != 0;
  }();
  (void)registered;
}

BOOL CALLBACK TellSkinColoursChanged(HWND child, LPARAM) {
  SendMessageA(child, SkinColoursChangedMessage(), 0, 0);
  return TRUE;
}

}  // namespace

Win32Window::Win32Window(int clientWidth, int clientHeight) {
  RegisterClassOnce(WindowProc);
  RECT frame{0, 0, clientWidth, clientHeight};
  AdjustWindowRectEx(&frame, WindowStyle, FALSE, WindowExtendedStyle);
  const HWND created =
      CreateWindowExA(WindowExtendedStyle, WindowClass, "", WindowStyle, CW_USEDEFAULT,
                      CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top, nullptr,
                      nullptr, GetModuleHandleA(nullptr), this);
  if (created == nullptr) {
    throw WinError(GetLastError(),
                   "The main window could not be created: " + SystemMessage(GetLastError()));
  }
}

Win32Window::~Win32Window() {
  AttachSkinColours(handle_, nullptr);
  SetWindowLongPtrA(handle_, GWLP_USERDATA, 0);
  DestroyWindow(handle_);
  if (customPointer_) DestroyCursor(customPointer_);
}

void Win32Window::setCaption(std::string_view caption) {
  SetWindowTextA(handle_, std::string(caption).c_str());
}

HICON ProgramIcon() {
  HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(1));
  return icon != nullptr ? icon : LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
}

void Win32Window::setApplicationIcon() {
  HICON icon = ProgramIcon();
  SendMessageA(handle_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  SendMessageA(handle_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

void Win32Window::showFromCode(int command) {
  changingStateFromCode_ = true;
  ShowWindow(handle_, command);
  changingStateFromCode_ = false;
}

void Win32Window::setVisible(bool visible) {
  if (!visible) {
    showFromCode(SW_HIDE);
    return;
  }
  const WindowState shown = stateWhenShown_.value_or(state());
  stateWhenShown_.reset();
  showFromCode(shown == WindowState::Minimized ? SW_SHOWMINIMIZED : SW_SHOWNORMAL);
}

WindowState Win32Window::state() const {
  if (stateWhenShown_ && !visible()) return *stateWhenShown_;
  return IsIconic(handle_) ? WindowState::Minimized : WindowState::Normal;
}

void Win32Window::setState(WindowState state) {
  if (!visible()) {
    stateWhenShown_ = state;
    return;
  }
  showFromCode(state == WindowState::Minimized ? SW_MINIMIZE : SW_RESTORE);
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

void Win32Window::loadCustomPointer(std::string_view cursorFile) {
  HCURSOR loaded = LoadCursorFromFileA(std::string(cursorFile).c_str());
  if (loaded == nullptr) throw std::runtime_error(Descriptions::FileCannotBeRead(cursorFile));
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
      if (!changingStateFromCode_ && resize_) resize_();
      return 0;
    case WM_CLOSE:
      if (close_) {
        close_();
      } else {
        showFromCode(SW_HIDE);
      }
      return 0;
    default:
      break;
  }
  return DefWindowProcA(handle_, message, wParam, lParam);
}

}  // namespace tg

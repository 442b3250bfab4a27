#include "adapters/win32/Win32Control.h"

#include <stdexcept>

#include "adapters/win32/WideText.h"
#include "adapters/win32/WinError.h"

namespace tg {

namespace {

const char* const ControlProperty = "TallyguardControl";
// On a top-level window: the tip its locked controls share.
const char* const LockTipProperty = "TallyguardLockTip";
constexpr UINT_PTR SubclassId = 1;

// The list view, the progress bar and the up-down arrows are common controls.
void MakeCommonControlsReady() {
  static const bool ready = [] {
    INITCOMMONCONTROLSEX controls{
        sizeof(INITCOMMONCONTROLSEX),
        ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES};
    return InitCommonControlsEx(&controls) != FALSE;
  }();
  (void)ready;
}

const char* Ready(const char* windowClass) {
  MakeCommonControlsReady();
  return windowClass;
}

}  // namespace

void RegisterWindowClass(const char* name, WNDPROC procedure, bool shown) {
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  if (shown) {
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  }
  windowClass.lpszClassName = name;
  RegisterClassExA(&windowClass);  // a second time fails, and the first registration stands
}

std::string WindowText(HWND window) {
  if (IsWindowUnicode(window)) {
    std::wstring wide(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    wide.resize(
        static_cast<size_t>(GetWindowTextW(window, wide.data(), static_cast<int>(wide.size()))));
    return AnsiFromWide(wide.data(), static_cast<int>(wide.size()));
  }
  std::string text(static_cast<size_t>(GetWindowTextLengthA(window)) + 1, '\0');
  text.resize(
      static_cast<size_t>(GetWindowTextA(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

void SetWindowTextUtf8(HWND window, std::string_view text) {
  if (IsWindowUnicode(window)) {
    SetWindowTextW(window, WideFromAnsi(text).c_str());
  } else {
    SetWindowTextA(window, std::string(text).c_str());
  }
}

namespace {

HWND CreateControl(HWND parent, const char* windowClass, DWORD style, std::string_view text,
                   DWORD extendedStyle, Win32Control::Characters characters) {
  const DWORD fullStyle = WS_CHILD | WS_VISIBLE | style;
  if (characters == Win32Control::Characters::Unicode) {
    return CreateWindowExW(extendedStyle, WideFromAnsi(windowClass).c_str(),
                           WideFromAnsi(text).c_str(), fullStyle, 0, 0, 0, 0, parent, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
  }
  return CreateWindowExA(extendedStyle, windowClass, std::string(text).c_str(), fullStyle, 0, 0, 0,
                         0, parent, nullptr, GetModuleHandleA(nullptr), nullptr);
}

}  // namespace

std::string WithoutAccelerators(std::string_view caption) {
  std::string plain;
  for (char c : caption) {
    if (c == '&') plain += '&';
    plain += c;
  }
  return plain;
}

Win32Control::Win32Control(HWND parent, const char* windowClass, DWORD style, std::string_view text,
                           DWORD extendedStyle, Characters characters)
    : handle_(CreateControl(parent, Ready(windowClass), style, text, extendedStyle, characters)) {
  if (handle_ == nullptr) {
    throw WinError(GetLastError(), "The control " + std::string(windowClass) +
                                       " could not be created: " + SystemMessage(GetLastError()));
  }
  SetPropA(handle_, ControlProperty, this);
  SetWindowSubclass(handle_, SubclassProc, SubclassId, reinterpret_cast<DWORD_PTR>(this));
}

Win32Control::~Win32Control() {
  // The tip belongs to the top-level window and may outlive the control, or be gone before it.
  if (lockTip_ && IsWindow(lockTip_)) {
    TTTOOLINFOA tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = GetParent(handle_);
    tool.uId = reinterpret_cast<UINT_PTR>(handle_);
    SendMessageA(lockTip_, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
  }
  RemoveWindowSubclass(handle_, SubclassProc, SubclassId);
  RemovePropA(handle_, ControlProperty);
  DestroyWindow(handle_);
}

void Win32Control::place(int left, int top, int width, int height) {
  MoveWindow(handle_, left, top, width, height, TRUE);
  followWithLockTip();
}

void Win32Control::lockWith(std::string_view note) {
  for (HWND part : parts()) EnableWindow(part, FALSE);
  if (lockTip_) return;
  HWND top = GetAncestor(handle_, GA_ROOT);
  HWND tip = static_cast<HWND>(GetPropA(top, LockTipProperty));
  if (tip == nullptr || !IsWindow(tip)) {
    const INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_TAB_CLASSES};
    InitCommonControlsEx(&classes);
    // Owned by the top-level window, so it goes with it.
    tip = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr,
                          WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                          CW_USEDEFAULT, CW_USEDEFAULT, top, nullptr, GetModuleHandleA(nullptr),
                          nullptr);
    if (tip == nullptr) return;
    SetPropA(top, LockTipProperty, tip);
  }
  std::string text(note);
  TTTOOLINFOA tool{};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_SUBCLASS;
  tool.hwnd = GetParent(handle_);
  tool.uId = reinterpret_cast<UINT_PTR>(handle_);
  tool.lpszText = text.data();  // copied by the tip window
  if (!SendMessageA(tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool))) return;
  lockTip_ = tip;
  followWithLockTip();
}

void Win32Control::followWithLockTip() {
  if (lockTip_ == nullptr) return;
  HWND container = GetParent(handle_);
  RECT area{};
  bool first = true;
  for (HWND part : parts()) {
    RECT partArea{};
    GetWindowRect(part, &partArea);
    MapWindowPoints(nullptr, container, reinterpret_cast<POINT*>(&partArea), 2);
    if (first) {
      area = partArea;
      first = false;
    } else {
      UnionRect(&area, &area, &partArea);
    }
  }
  TTTOOLINFOA tool{};
  tool.cbSize = sizeof tool;
  tool.hwnd = container;
  tool.uId = reinterpret_cast<UINT_PTR>(handle_);
  tool.rect = area;
  SendMessageA(lockTip_, TTM_NEWTOOLRECTA, 0, reinterpret_cast<LPARAM>(&tool));
}

void Win32Control::setFont(HFONT font) {
  SendMessageA(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

Win32Control* Win32Control::Of(HWND window) {
  if (window == nullptr) return nullptr;
  return static_cast<Win32Control*>(GetPropA(window, ControlProperty));
}

std::optional<LRESULT> Win32Control::Route(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && lParam != 0) {
    if (Win32Control* control = Of(reinterpret_cast<HWND>(lParam))) {
      control->command(HIWORD(wParam));
      return 0;
    }
  }
  if (message == WM_NOTIFY) {
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (Win32Control* control = Of(header->hwndFrom)) return control->notify(*header);
  }
  return std::nullopt;
}

LRESULT CALLBACK Win32Control::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                            UINT_PTR, DWORD_PTR self) {
  auto* control = reinterpret_cast<Win32Control*>(self);
  if (std::optional<LRESULT> answer = control->intercept(message, wParam, lParam)) return *answer;
  if (message == WM_MOUSEMOVE) {
    const LRESULT answer = DefSubclassProc(window, message, wParam, lParam);
    Raise(control->mouseMove_);
    return answer;
  }
  return DefSubclassProc(window, message, wParam, lParam);
}

}  // namespace tg

#include "adapters/win32/Win32TextControls.h"

#include <algorithm>
#include <charconv>

#include "adapters/win32/Win32Dpi.h"
#include "mainwindow/TextLength.h"

namespace tg {

namespace {

// Posted to the text box itself: its focus handler runs once the click that gave it the focus
// has placed the caret, which would otherwise undo a selection made by the handler.
constexpr UINT GotFocusLater = WM_APP + 1;

}  // namespace

Win32TextBox::Win32TextBox(HWND parent, std::string_view text)
    : Win32Control(parent, "EDIT", ES_AUTOHSCROLL | ES_LEFT | WS_TABSTOP, text, WS_EX_CLIENTEDGE,
                   Characters::Unicode),
      known_(text) {}

// The edit control tells of the change itself; noticing it here too keeps one raise per change
// whatever the system's version does with a text set by code.
void Win32TextBox::setText(std::string_view text) {
  SetWindowTextUtf8(handle(), text);
  noticeText();
}

// Selections count characters; the edit control counts UTF-16 units, and a character outside the
// basic plane takes two.
void Win32TextBox::setSelection(int start, int length) {
  const std::string shown = text();
  const auto units = [&shown](int characters) {
    const size_t bytes = ByteOffsetOfCharacter(shown, characters);
    return MultiByteToWideChar(CP_UTF8, 0, shown.data(), static_cast<int>(bytes), nullptr, 0);
  };
  SendMessageA(handle(), EM_SETSEL, static_cast<WPARAM>(units(start)),
               static_cast<LPARAM>(units(start + length)));
}

void Win32TextBox::noticeText() {
  std::string now = text();
  if (now == known_) return;
  known_ = std::move(now);
  Raise(change_);
}

void Win32TextBox::command(WORD code) {
  if (code == EN_CHANGE) noticeText();
  if (code == EN_SETFOCUS) PostMessageA(handle(), GotFocusLater, 0, 0);
}

std::optional<LRESULT> Win32TextBox::intercept(UINT message, WPARAM, LPARAM) {
  if (message != GotFocusLater) return std::nullopt;
  if (GetFocus() == handle()) Raise(gotFocus_);
  return 0;
}

Win32NumberBox::Win32NumberBox(HWND parent, int minimum, int maximum)
    : Win32Control(parent, "EDIT", ES_NUMBER | ES_LEFT | ES_AUTOHSCROLL | WS_TABSTOP, "0",
                   WS_EX_CLIENTEDGE),
      arrows_(
          CreateWindowExA(0, UPDOWN_CLASSA, "",
                          WS_CHILD | WS_VISIBLE | UDS_SETBUDDYINT | UDS_ARROWKEYS | UDS_NOTHOUSANDS,
                          0, 0, 0, 0, parent, nullptr, GetModuleHandleA(nullptr), nullptr)),
      minimum_(minimum),
      maximum_(maximum),
      value_(std::clamp(0, minimum, maximum)) {
  SendMessageA(arrows_, UDM_SETBUDDY, reinterpret_cast<WPARAM>(handle()), 0);
  SendMessageA(arrows_, UDM_SETRANGE32, static_cast<WPARAM>(minimum), maximum);
  SendMessageA(arrows_, UDM_SETPOS32, 0, value_);
  SendMessageA(handle(), EM_LIMITTEXT, std::to_string(maximum).size(), 0);
  SetWindowTextA(handle(), std::to_string(value_).c_str());
}

Win32NumberBox::~Win32NumberBox() { DestroyWindow(arrows_); }

void Win32NumberBox::setValue(int value) {
  const int wanted = std::clamp(value, minimum_, maximum_);
  if (wanted == value_) return;
  value_ = wanted;
  SetWindowTextA(handle(), std::to_string(wanted).c_str());
  SendMessageA(arrows_, UDM_SETPOS32, 0, wanted);
  Raise(change_);
}

void Win32NumberBox::place(int left, int top, int width, int height) {
  const int arrowsWidth = SystemMetricAt(SM_CXVSCROLL, dpi());
  Win32Control::place(left, top, width - arrowsWidth, height);
  MoveWindow(arrows_, left + width - arrowsWidth, top, arrowsWidth, height, TRUE);
  followWithLockTip();
}

// A field left empty or holding no number keeps the last value until it holds one again.
void Win32NumberBox::noticeText() {
  const std::string text = WindowText(handle());
  int typed = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), typed);
  if (error != std::errc() || end != text.data() + text.size()) return;
  const int wanted = std::clamp(typed, minimum_, maximum_);
  if (wanted != typed) {
    SetWindowTextA(handle(), std::to_string(wanted).c_str());  // comes back here once
    return;
  }
  if (wanted == value_) return;
  value_ = wanted;
  Raise(change_);
}

void Win32NumberBox::command(WORD code) {
  if (code == EN_CHANGE) noticeText();
}

Win32Label::Win32Label(HWND parent, std::string_view caption)
    : Win32Control(parent, "STATIC", SS_LEFT | SS_NOPREFIX, caption) {}

}  // namespace tg

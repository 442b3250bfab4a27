#include "adapters/win32/Win32ProgressBar.h"

namespace tg {

Win32ProgressBar::Win32ProgressBar(HWND parent) : Win32Control(parent, PROGRESS_CLASSA, 0) {
  SendMessageA(handle(), PBM_SETRANGE32, 0, 100);
  SendMessageA(handle(), PBM_SETPOS, 0, 0);
}

int Win32ProgressBar::max() const {
  return static_cast<int>(SendMessageA(handle(), PBM_GETRANGE, FALSE, 0));
}

void Win32ProgressBar::setMax(int max) { SendMessageA(handle(), PBM_SETRANGE32, 0, max); }

int Win32ProgressBar::value() const {
  return static_cast<int>(SendMessageA(handle(), PBM_GETPOS, 0, 0));
}

void Win32ProgressBar::setValue(int value) {
  SendMessageA(handle(), PBM_SETPOS, static_cast<WPARAM>(value), 0);
}

// The window text too, so that screen readers say it.
void Win32ProgressBar::setText(std::string_view text) {
  text_ = text;
  SetWindowTextA(handle(), text_.c_str());
  InvalidateRect(handle(), nullptr, TRUE);
}

void Win32ProgressBar::setFont(HFONT font) {
  font_ = font;
  Win32Control::setFont(font);
}

std::optional<LRESULT> Win32ProgressBar::intercept(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_PAINT) return std::nullopt;
  const LRESULT answer = DefSubclassProc(handle(), message, wParam, lParam);
  drawText();
  return answer;
}

void Win32ProgressBar::drawText() {
  if (text_.empty()) return;
  HDC dc = GetDC(handle());
  RECT area;
  GetClientRect(handle(), &area);
  HGDIOBJ before = font_ ? SelectObject(dc, font_) : nullptr;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  DrawTextA(dc, text_.c_str(), static_cast<int>(text_.size()), &area,
            DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  if (before) SelectObject(dc, before);
  ReleaseDC(handle(), dc);
}

}  // namespace tg

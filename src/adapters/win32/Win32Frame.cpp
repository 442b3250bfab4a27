#include "adapters/win32/Win32Frame.h"

namespace tg {

Win32Frame::Win32Frame(HWND parent)
    : Win32Control(parent, "BUTTON", BS_GROUPBOX | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, "",
                   WS_EX_CONTROLPARENT) {}

void Win32Frame::setCaption(std::string_view caption) {
  caption_ = caption;
  SetWindowTextA(handle(), WithoutAccelerators(caption).c_str());
}

void Win32Frame::setBackColor(unsigned colour) {
  if (colour & 0x80000000u) {
    fill_.reset();
  } else {
    fill_.set(static_cast<COLORREF>(colour & 0xFFFFFFu));
  }
  InvalidateRect(handle(), nullptr, TRUE);
}

std::optional<LRESULT> Win32Frame::answerColour(UINT message, WPARAM dc) const {
  return AnswerControlColour(handle(), message, dc, fill_);
}

std::optional<LRESULT> Win32Frame::intercept(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY:
      return Route(message, wParam, lParam);
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
      return answerColour(message, wParam);
    case WM_ERASEBKGND:
      if (!EraseWithColours(handle(), reinterpret_cast<HDC>(wParam), fill_)) {
        RECT area;
        GetClientRect(handle(), &area);
        FillRect(reinterpret_cast<HDC>(wParam), &area, GetSysColorBrush(COLOR_BTNFACE));
      }
      return 1;
    case WM_NCHITTEST:
      return HTCLIENT;  // a group box lets the pointer through to its container: not this one
    default:
      return std::nullopt;
  }
}

}  // namespace tg

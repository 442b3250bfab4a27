#pragma once
// Where a control stands in the window or frame that holds it, in that container's pixels.

#include <windows.h>

namespace tg::testing {

inline RECT PlaceInParent(HWND control) {
  RECT place;
  GetWindowRect(control, &place);
  MapWindowPoints(HWND_DESKTOP, GetParent(control), reinterpret_cast<POINT*>(&place), 2);
  return place;
}

}  // namespace tg::testing

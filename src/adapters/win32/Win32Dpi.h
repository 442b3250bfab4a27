#pragma once
// Dots per inch as the window's screen has them, and the one rule that turns the designed places
// and sizes (twips, 1440 to the inch) and font sizes (points, 72 to the inch) into that screen's
// pixels. Windows 10 and later say the DPI of each window's own monitor; where the system cannot
// (older Windows, Wine) every window has the screen's.

// clang-format off
#include <windows.h>
// clang-format on

namespace tg {

// What a window at 100 % has: one pixel is 15 twips.
inline constexpr int StandardDpi = 96;

// The DPI of the monitor the window stands on; the screen's for nullptr.
int DpiOf(HWND window);
// Twips as pixels at `dpi`, cut to whole pixels as the design's 15 twips a pixel are at 100 %.
int TwipsToPixels(int twips, int dpi);
// A font of `points` as the (negative, character) height CreateFont takes at `dpi`.
int FontHeightAt(double points, int dpi);
// A system measure (SM_CXSMICON, SM_CXCURSOR, ...) at `dpi`; at the system's DPI where the system
// has no measure per DPI.
int SystemMetricAt(int index, int dpi);
// The outer size of a window with that style whose client area is `client`, at `dpi`.
SIZE WindowSizeFor(SIZE client, DWORD style, DWORD extendedStyle, int dpi);

}  // namespace tg

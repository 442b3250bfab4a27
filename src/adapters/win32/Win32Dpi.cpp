#include "adapters/win32/Win32Dpi.h"

#include <cmath>

namespace tg {

namespace {

// Looked up at run time: the functions per DPI came with Windows 10 (1607), and a program that
// linked them directly would not start on anything older.
template <typename Function>
Function FromUser32(const char* name) {
  HMODULE user32 = GetModuleHandleA("user32.dll");
  return user32 ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name)))
                : nullptr;
}

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using GetSystemMetricsForDpiFunction = int(WINAPI*)(int, UINT);
using AdjustWindowRectExForDpiFunction = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);

int ScreenDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
  if (screen) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : StandardDpi;
}

}  // namespace

int DpiOf(HWND window) {
  static const auto getDpiForWindow = FromUser32<GetDpiForWindowFunction>("GetDpiForWindow");
  if (window && getDpiForWindow) {
    if (const UINT dpi = getDpiForWindow(window); dpi > 0) return static_cast<int>(dpi);
  }
  return ScreenDpi();
}

int TwipsToPixels(int twips, int dpi) {
  return static_cast<int>(static_cast<long long>(twips) * dpi / 1440);
}

int FontHeightAt(double points, int dpi) {
  return -static_cast<int>(std::lround(points * dpi / 72.0));
}

int SystemMetricAt(int index, int dpi) {
  static const auto forDpi = FromUser32<GetSystemMetricsForDpiFunction>("GetSystemMetricsForDpi");
  if (forDpi) return forDpi(index, static_cast<UINT>(dpi));
  return GetSystemMetrics(index);
}

SIZE WindowSizeFor(SIZE client, DWORD style, DWORD extendedStyle, int dpi) {
  static const auto forDpi =
      FromUser32<AdjustWindowRectExForDpiFunction>("AdjustWindowRectExForDpi");
  RECT frame{0, 0, client.cx, client.cy};
  if (!forDpi || !forDpi(&frame, style, FALSE, extendedStyle, static_cast<UINT>(dpi))) {
    AdjustWindowRectEx(&frame, style, FALSE, extendedStyle);
  }
  return SIZE{frame.right - frame.left, frame.bottom - frame.top};
}

}  // namespace tg

#pragma once
// The main window: a fixed-size top-level window of the program's own class that hands its
// controls' notifications back to them, answers their colours, and shows the pointer the program
// chose over itself and every control in it.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>

#include "adapters/win32/Win32Colours.h"
#include "adapters/win32/Win32Control.h"
#include "common/HiddenStateWindow.h"

namespace tg {

// The program's icon (resource 1) drawn at `size` pixels square, for the caller to destroy; the
// system's application icon where the program has none (tests).
HICON ProgramIcon(int size);
struct IconDeleter {
  void operator()(HICON icon) const { DestroyIcon(icon); }
};
using UniqueIcon = std::unique_ptr<std::remove_pointer_t<HICON>, IconDeleter>;
// The size of the notification area's icons: the taskbar draws them at the system's DPI.
int TrayIconSize();

class Win32Window : public HiddenStateWindow {
 public:
  // Created hidden, at the DPI of the monitor it opens on; setClientSize gives it its size.
  Win32Window();
  ~Win32Window() override;
  Win32Window(const Win32Window&) = delete;
  Win32Window& operator=(const Win32Window&) = delete;

  std::string caption() const override { return WindowText(handle_); }
  void setCaption(std::string_view caption) override;
  // The program's icon (resource 1) when the program carries one, else the system's.
  // Drawn at the sizes of the window's DPI, and again when its DPI changes.
  void setApplicationIcon() override;
  void setFocus() override;
  MousePointer mousePointer() const override { return pointer_; }
  void setMousePointer(MousePointer pointer) override;
  // Throws std::runtime_error when the file holds no cursor the system can load. The cursor takes
  // the pointer's size at the window's DPI, and is loaded again at the new size when it changes.
  void loadCustomPointer(std::string_view cursorFile) override;
  void onMouseMove(Handler handler) override { mouseMove_ = std::move(handler); }

  // The user or the system asks the window to close; the close is never refused.
  void onClose(std::function<void()> handler) { close_ = std::move(handler); }
  HWND handle() const { return handle_; }
  // The DPI the window is laid out for: its monitor's, from creation and after each move to a
  // monitor of another DPI.
  int dpi() const { return dpi_; }
  // The client area's size in pixels; the window keeps its top-left corner.
  void setClientSize(int width, int height);
  // After the window moved to the new DPI (it took the rectangle the system proposed), the
  // handler places and sizes its contents again.
  void onDpiChanged(std::function<void(int dpi)> handler) { dpiChanged_ = std::move(handler); }
  // A skin's colours for the window and all its controls; the system's until called.
  void setColours(COLORREF background, COLORREF text);
  // For the message loop: Tab, the arrow keys and Enter move between and press the window's
  // controls, as in a dialog. True when the message was used so.
  bool handleDialogKeys(MSG& message) { return IsDialogMessageA(handle_, &message) != FALSE; }
  // The cursor shown over the window and its controls; nullptr where each shows its own.
  HCURSOR pointerCursor() const;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT answer(UINT message, WPARAM wParam, LPARAM lParam);
  bool shown() const override { return IsWindowVisible(handle_) != FALSE; }
  void hide() override { ShowWindow(handle_, SW_HIDE); }
  void showIn(WindowState state) override;
  WindowState shownState() const override;
  void changeShownState(WindowState state) override;
  void refreshPointer() const;
  void moveToDpi(int dpi, const RECT& proposed);
  void loadApplicationIcons();
  HCURSOR cursorFromFile() const;

  HWND handle_ = nullptr;
  Handler mouseMove_;
  std::function<void()> close_;
  std::function<void(int)> dpiChanged_;
  int dpi_ = 96;
  bool hasApplicationIcon_ = false;
  HICON bigIcon_ = nullptr;
  HICON smallIcon_ = nullptr;
  std::string customPointerFile_;
  MousePointer pointer_ = MousePointer::Default;
  HCURSOR customPointer_ = nullptr;
  SolidFill skinFill_;
  SkinColours skin_{};
  SolidFill noFill_;  // the window's controls outside frames have no fill of their own
};

}  // namespace tg

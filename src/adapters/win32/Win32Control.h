#pragma once
// What every child control of the main window shares: its window, made by the control itself and
// found again from its handle, the pointer's moves over it, and the notifications its container
// hands back to it. Texts are the program's own bytes, passed through the "A" functions.

// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/ports/Controls.h"

namespace tg {

// A window's text as the program reads it.
std::string WindowText(HWND window);
// Sets a window's text from UTF-8, whichever character set the window keeps.
void SetWindowTextUtf8(HWND window, std::string_view text);
// Registers a window class of the program's own; a class already registered stays as it is. A
// `shown` class draws its background and the arrow pointer, as a window on screen does.
void RegisterWindowClass(const char* name, WNDPROC procedure, bool shown);
// "&" would underline the next letter of a button's or frame's caption; the captions are plain.
std::string WithoutAccelerators(std::string_view caption);

class Win32Control {
 public:
  virtual ~Win32Control();
  Win32Control(const Win32Control&) = delete;
  Win32Control& operator=(const Win32Control&) = delete;

  HWND handle() const { return handle_; }
  void setMouseMoveHandler(Handler handler) { mouseMove_ = std::move(handler); }
  // Moves the control to its place in its container's client area, in pixels.
  virtual void place(int left, int top, int width, int height);
  virtual void setFont(HFONT font);
  // The DPI the control is laid out for: what it sizes by itself (column widths, the arrows'
  // width) follows it. Set before the control is placed.
  virtual void setDpi(int dpi) { dpi_ = dpi; }
  int dpi() const { return dpi_; }

  // Greys the control, so the user can't change it, and shows `note` while the pointer rests on
  // it. A greyed window gets no mouse messages (its container gets them), so the note is the
  // container's, over the control's place; every locked control of one window shares one tip.
  void lockWith(std::string_view note);
  // The tip that shows the note of a locked control; nullptr while it is not locked.
  HWND lockTip() const { return lockTip_; }

  // A control the user types into is a Unicode window: every character of any language reaches
  // it whole, whatever the system makes of a character typed into a window of the code page.
  enum class Characters { CodePage, Unicode };

  // The control whose window this is; nullptr for windows that are no control of ours.
  static Win32Control* Of(HWND window);
  // Hands a container's WM_COMMAND or WM_NOTIFY to the control that sent it.
  static std::optional<LRESULT> Route(UINT message, WPARAM wParam, LPARAM lParam);

 protected:
  Win32Control(HWND parent, const char* windowClass, DWORD style, std::string_view text = "",
               DWORD extendedStyle = 0, Characters characters = Characters::CodePage);

  // A notification this control sent its container (WM_COMMAND code, WM_NOTIFY record).
  virtual void command(WORD /*code*/) {}
  virtual LRESULT notify(const NMHDR& /*header*/) { return 0; }
  // A message to the control's own window, before the control's class sees it.
  virtual std::optional<LRESULT> intercept(UINT /*message*/, WPARAM, LPARAM) {
    return std::nullopt;
  }
  // Every window the control is made of, its own first: all of them are greyed when it is locked.
  virtual std::vector<HWND> parts() const { return {handle_}; }
  // Moves the note of a locked control to where the control now is.
  void followWithLockTip();
  static void Raise(const Handler& handler) {
    if (handler) handler();
  }

 private:
  static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                       UINT_PTR id, DWORD_PTR self);
  HWND handle_;
  Handler mouseMove_;
  int dpi_ = 96;
  HWND lockTip_ = nullptr;
};

}  // namespace tg

#pragma once
// The window's text fields: the folder's text box, the number box of copies to keep, and a plain
// label.

#include "adapters/win32/Win32Control.h"

namespace tg {

// Every change of text, typed or set by code, raises the change handler once (EN_CHANGE), and
// only when the text differs from the last one seen.
class Win32TextBox : public Win32Control, public TextBox {
 public:
  Win32TextBox(HWND parent, std::string_view text);
  std::string text() const override { return WindowText(handle()); }
  void setText(std::string_view text) override;
  void setSelection(int start, int length) override;
  void onChange(Handler handler) override { change_ = std::move(handler); }
  void onGotFocus(Handler handler) override { gotFocus_ = std::move(handler); }
  void onMouseMove(Handler handler) override { setMouseMoveHandler(std::move(handler)); }
  void lockWithNote(std::string_view note) override { lockWith(note); }

 protected:
  void command(WORD code) override;
  std::optional<LRESULT> intercept(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void noticeText();
  Handler change_;
  Handler gotFocus_;
  std::string known_;
};

// An edit field with an up-down buddy that writes the number into it. Every change of value,
// stepped, typed or set by code, raises the change handler once; values outside the range are
// brought into it.
class Win32NumberBox : public Win32Control, public NumberBox {
 public:
  Win32NumberBox(HWND parent, int minimum, int maximum);
  ~Win32NumberBox() override;
  int value() const override { return value_; }
  void setValue(int value) override;
  void onChange(Handler handler) override { change_ = std::move(handler); }
  void onMouseMove(Handler handler) override { setMouseMoveHandler(std::move(handler)); }
  void lockWithNote(std::string_view note) override { lockWith(note); }
  // The edit field takes the place but the arrows' width at its right.
  void place(int left, int top, int width, int height) override;
  HWND arrows() const { return arrows_; }

 protected:
  void command(WORD code) override;
  std::vector<HWND> parts() const override { return {handle(), arrows_}; }

 private:
  void noticeText();
  HWND arrows_;
  int minimum_;
  int maximum_;
  int value_;
  Handler change_;
};

// A caption of its own beside another control.
class Win32Label : public Win32Control {
 public:
  Win32Label(HWND parent, std::string_view caption);
};

}  // namespace tg

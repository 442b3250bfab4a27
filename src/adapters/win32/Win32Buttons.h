#pragma once
// The window's buttons as BUTTON controls. Check boxes and option buttons are managed here, not
// by the system (no AUTO styles): their handlers follow the control ports exactly, and an option
// button's group is exactly its container's option buttons.

#include "adapters/win32/Win32Control.h"

namespace tg {

class Win32PushButton : public Win32Control, public PushButton {
 public:
  explicit Win32PushButton(HWND parent);
  // The caption as the program set it, whatever the button shows.
  std::string caption() const override { return caption_; }
  void setCaption(std::string_view caption) override;
  void onClick(Handler handler) override { click_ = std::move(handler); }
  void onMouseMove(Handler handler) override { setMouseMoveHandler(std::move(handler)); }
  void lockWithNote(std::string_view note) override { lockWith(note); }

 protected:
  void command(WORD code) override;

 private:
  Handler click_;
  std::string caption_;
};

// A push button that shows a state of the program's as pressed or not: the user's click only
// raises the click handler, and the state changes only when the program sets it.
class Win32ToggleButton : public Win32Control {
 public:
  explicit Win32ToggleButton(HWND parent, std::string_view caption);
  bool pressed() const;
  void setPressed(bool pressed);
  void onClick(Handler handler) { click_ = std::move(handler); }

 protected:
  void command(WORD code) override;

 private:
  Handler click_;
};

// A change of value, by the user or by code, raises the click handler; the same value raises
// nothing.
class Win32CheckBox : public Win32Control, public CheckBox {
 public:
  Win32CheckBox(HWND parent, std::string_view caption);
  int value() const override;
  void setValue(int value) override;
  bool visible() const override;
  void setVisible(bool visible) override;
  void onClick(Handler handler) override { click_ = std::move(handler); }
  void onMouseMove(Handler handler) override { setMouseMoveHandler(std::move(handler)); }
  void lockWithNote(std::string_view note) override { lockWith(note); }

 protected:
  void command(WORD code) override;

 private:
  Handler click_;
};

// Selecting, by the user or by code, raises the click handler even when already selected, and
// clears the other option buttons of the same container.
class Win32OptionButton : public Win32Control, public OptionButton {
 public:
  Win32OptionButton(HWND parent, std::string_view caption);
  bool selected() const override;
  void setSelected(bool selected) override;
  void onClick(Handler handler) override { click_ = std::move(handler); }
  void onMouseMove(Handler handler) override { setMouseMoveHandler(std::move(handler)); }
  void lockWithNote(std::string_view note) override { lockWith(note); }

 protected:
  void command(WORD code) override;

 private:
  void clearSiblings();
  Handler click_;
};

}  // namespace tg

#include "adapters/win32/Win32Buttons.h"

namespace tg {

Win32PushButton::Win32PushButton(HWND parent)
    : Win32Control(parent, "BUTTON", BS_PUSHBUTTON | WS_TABSTOP) {}

void Win32PushButton::setCaption(std::string_view caption) {
  caption_ = caption;
  SetWindowTextA(handle(), WithoutAccelerators(caption).c_str());
}

void Win32PushButton::command(WORD code) {
  if (code == BN_CLICKED) Raise(click_);
}

// A check box drawn as a push button; not an automatic one, so a click turns nothing over.
Win32ToggleButton::Win32ToggleButton(HWND parent, std::string_view caption)
    : Win32Control(parent, "BUTTON", BS_CHECKBOX | BS_PUSHLIKE | WS_TABSTOP,
                   WithoutAccelerators(caption)) {}

bool Win32ToggleButton::pressed() const {
  return SendMessageA(handle(), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Win32ToggleButton::setPressed(bool pressed) {
  SendMessageA(handle(), BM_SETCHECK, pressed ? BST_CHECKED : BST_UNCHECKED, 0);
}

void Win32ToggleButton::command(WORD code) {
  if (code == BN_CLICKED) Raise(click_);
}

Win32CheckBox::Win32CheckBox(HWND parent, std::string_view caption)
    : Win32Control(parent, "BUTTON", BS_CHECKBOX | WS_TABSTOP, WithoutAccelerators(caption)) {}

int Win32CheckBox::value() const {
  return SendMessageA(handle(), BM_GETCHECK, 0, 0) == BST_CHECKED ? Checked : Unchecked;
}

void Win32CheckBox::setValue(int value) {
  const int wanted = value == Checked ? Checked : Unchecked;
  if (wanted == this->value()) return;
  SendMessageA(handle(), BM_SETCHECK, wanted == Checked ? BST_CHECKED : BST_UNCHECKED, 0);
  Raise(click_);
}

// The box's own flag: a box inside a hidden window is still "visible" to the program.
bool Win32CheckBox::visible() const {
  return (GetWindowLongPtrA(handle(), GWL_STYLE) & WS_VISIBLE) != 0;
}

void Win32CheckBox::setVisible(bool visible) { ShowWindow(handle(), visible ? SW_SHOW : SW_HIDE); }

// The user's click (or space bar) turns the value over.
void Win32CheckBox::command(WORD code) {
  if (code == BN_CLICKED) setValue(value() == Checked ? Unchecked : Checked);
}

Win32OptionButton::Win32OptionButton(HWND parent, std::string_view caption)
    : Win32Control(parent, "BUTTON", BS_RADIOBUTTON | WS_TABSTOP, WithoutAccelerators(caption)) {}

bool Win32OptionButton::selected() const {
  return SendMessageA(handle(), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Win32OptionButton::setSelected(bool selected) {
  if (selected) clearSiblings();
  SendMessageA(handle(), BM_SETCHECK, selected ? BST_CHECKED : BST_UNCHECKED, 0);
  if (selected) Raise(click_);
}

void Win32OptionButton::clearSiblings() {
  for (HWND sibling = GetWindow(GetParent(handle()), GW_CHILD); sibling != nullptr;
       sibling = GetWindow(sibling, GW_HWNDNEXT)) {
    auto* option = dynamic_cast<Win32OptionButton*>(Win32Control::Of(sibling));
    if (option && option != this) SendMessageA(sibling, BM_SETCHECK, BST_UNCHECKED, 0);
  }
}

void Win32OptionButton::command(WORD code) {
  if (code == BN_CLICKED) setSelected(true);
}

}  // namespace tg

#pragma once
// What the window's code relies on of each control. Handlers are raised by the control itself:
// from a user's action and, where noted, from a change made by code, exactly like a user's change.
// Getters of a control that cannot answer (a list with no selected entry) throw std::runtime_error.

#include <functional>
#include <string>
#include <string_view>

namespace tg {

using Handler = std::function<void()>;

// The window was laid out in twips; on screen 15 of them make a pixel.
inline constexpr int TwipsPerPixel = 15;

// Window mouse pointers.
enum class MousePointer { Default = 0, Custom = 99, Hourglass = 11 };

class Control {
 public:
  virtual ~Control() = default;
  virtual void onMouseMove(Handler handler) = 0;
  // The setting behind the control is locked: the control is greyed, so the user can't change
  // it, and pointing at it shows `note`. A control that can't be greyed stays as it is.
  virtual void lockWithNote(std::string_view /*note*/) {}
};

class PushButton : public Control {
 public:
  virtual std::string caption() const = 0;
  virtual void setCaption(std::string_view caption) = 0;
  virtual void onClick(Handler handler) = 0;
};

class CheckBox : public Control {
 public:
  static constexpr int Unchecked = 0;
  static constexpr int Checked = 1;
  virtual int value() const = 0;
  // Raises the click handler only when the value changes.
  virtual void setValue(int value) = 0;
  virtual bool visible() const = 0;
  virtual void setVisible(bool visible) = 0;
  virtual void onClick(Handler handler) = 0;
};

class OptionButton : public Control {
 public:
  virtual bool selected() const = 0;
  // Selecting from code raises the click handler; the other buttons of the group are cleared.
  virtual void setSelected(bool selected) = 0;
  virtual void onClick(Handler handler) = 0;
};

class TextBox : public Control {
 public:
  virtual std::string text() const = 0;
  // Every change, by the user or from code, raises the change handler (when the text differs).
  virtual void setText(std::string_view text) = 0;
  virtual void setSelection(int start, int length) = 0;
  virtual void onChange(Handler handler) = 0;
  virtual void onGotFocus(Handler handler) = 0;
};

class ListView : public Control {
 public:
  virtual void addColumn(std::string_view header, int widthTwips) = 0;
  virtual void addItem(std::string_view text) = 0;
  virtual int itemCount() const = 0;
  // Text of the selected entry; throws when no entry is selected.
  virtual std::string selectedText() const = 0;
  // Position counted from 1; throws when no entry is selected.
  virtual int selectedPosition() const = 0;
  // Selects by position (from 1) WITHOUT raising click; throws when out of range.
  virtual void selectPosition(int position) = 0;
  // Raised by the user's click on the entries, and by an entry the user newly selects with the
  // keyboard (arrows, Home, End, a letter): a choice made without the mouse is kept and restarts
  // the count as a click does. Never by a selection made from code.
  virtual void onClick(Handler handler) = 0;
};

class ProgressBar : public Control {
 public:
  virtual int max() const = 0;
  virtual void setMax(int max) = 0;
  virtual int value() const = 0;
  virtual void setValue(int value) = 0;
  virtual std::string text() const = 0;
  virtual void setText(std::string_view text) = 0;
};

class Frame : public Control {
 public:
  virtual std::string caption() const = 0;
  virtual void setCaption(std::string_view caption) = 0;
  virtual void setBackColor(unsigned colour) = 0;  // 0x8000000F: system button face
};

class Timer {
 public:
  virtual ~Timer() = default;
  virtual int interval() const = 0;  // milliseconds; 0 = stopped
  virtual void setInterval(int milliseconds) = 0;
  virtual bool enabled() const = 0;
  virtual void setEnabled(bool enabled) = 0;
  virtual void onTick(Handler handler) = 0;
};

// A hidden text buffer that can copy its whole text to the clipboard. It never opens a file
// itself: the text comes through the file system port, which refuses links, FIFOs and other
// users' files.
class TextBuffer {
 public:
  virtual ~TextBuffer() = default;
  // The file's bytes as they were read; a new text selects nothing.
  virtual void setPlainText(std::string_view bytes) = 0;
  virtual std::string text() const = 0;
  virtual void setSelection(int start, int length) = 0;
  virtual void copySelection() = 0;
};

// A whole number the user steps up and down or types.
class NumberBox : public Control {
 public:
  virtual int value() const = 0;
  // Every change, by the user or from code, raises the change handler (when the value differs);
  // a value outside the box's range is brought into it.
  virtual void setValue(int value) = 0;
  virtual void onChange(Handler handler) = 0;
};

enum class WindowState { Normal, Minimized };

class Window : public Control {
 public:
  virtual std::string caption() const = 0;
  virtual void setCaption(std::string_view caption) = 0;
  virtual void setApplicationIcon() = 0;
  virtual bool visible() const = 0;
  virtual void setVisible(bool visible) = 0;
  virtual WindowState state() const = 0;
  virtual void setState(WindowState state) = 0;
  virtual void setFocus() = 0;
  virtual MousePointer mousePointer() const = 0;
  virtual void setMousePointer(MousePointer pointer) = 0;
  // Loads a cursor file as the custom pointer; throws when it cannot be loaded.
  virtual void loadCustomPointer(std::string_view cursorFile) = 0;
  virtual void onResize(Handler handler) = 0;
};

}  // namespace tg

#pragma once
// Every control of the window, held in memory for tests. They raise their handlers under the same
// conditions as the real controls, and offer helpers that play the user's part (click, type,
// focus, move the mouse).

#include <optional>
#include <string>
#include <vector>

#include "common/HiddenStateWindow.h"
#include "common/ports/Controls.h"
#include "common/ports/FileSystem.h"

namespace tg {

// The mouse-move handler every memory control shares.
template <typename Base>
class MemoryControl : public Base {
 public:
  void onMouseMove(Handler handler) override { mouseMove_ = std::move(handler); }
  void moveMouse() {
    if (mouseMove_) mouseMove_();
  }
  void lockWithNote(std::string_view note) override { lockNote = note; }
  // What the control was locked with; empty while it is not locked.
  std::string lockNote;

 protected:
  static void raise(const Handler& handler) {
    if (handler) handler();
  }

 private:
  Handler mouseMove_;
};

class MemoryPushButton : public MemoryControl<PushButton> {
 public:
  explicit MemoryPushButton(std::string caption = {}) : caption_(std::move(caption)) {}
  std::string caption() const override { return caption_; }
  void setCaption(std::string_view caption) override { caption_ = caption; }
  void onClick(Handler handler) override { click_ = std::move(handler); }
  void click() { raise(click_); }

 private:
  std::string caption_;
  Handler click_;
};

// A number box of range 0 to 999, as the window's "Keep Copies" box.
class MemoryNumberBox : public MemoryControl<NumberBox> {
 public:
  int value() const override { return value_; }
  void setValue(int value) override {
    value = value < 0 ? 0 : (value > 999 ? 999 : value);
    if (value == value_) return;
    value_ = value;
    raise(change_);
  }
  void onChange(Handler handler) override { change_ = std::move(handler); }

 private:
  int value_ = 0;
  Handler change_;
};

class MemoryCheckBox : public MemoryControl<CheckBox> {
 public:
  static constexpr int Grayed = 2;
  int value() const override { return value_; }
  void setValue(int value) override;
  bool visible() const override { return visible_; }
  void setVisible(bool visible) override { visible_ = visible; }
  void onClick(Handler handler) override { click_ = std::move(handler); }
  // The user's click: checked becomes unchecked, anything else checked.
  void click() { setValue(value_ == Checked ? Unchecked : Checked); }

 private:
  int value_ = Unchecked;
  bool visible_ = true;
  Handler click_;
};

class MemoryOptionButton;

// The option buttons of one frame: at most one of them is selected.
class OptionGroup {
 public:
  void add(MemoryOptionButton& button) { buttons_.push_back(&button); }
  void clearAllBut(const MemoryOptionButton& keep);

 private:
  std::vector<MemoryOptionButton*> buttons_;
};

class MemoryOptionButton : public MemoryControl<OptionButton> {
 public:
  explicit MemoryOptionButton(OptionGroup& group) : group_(group) { group_.add(*this); }
  bool selected() const override { return selected_; }
  void setSelected(bool selected) override;
  void onClick(Handler handler) override { click_ = std::move(handler); }
  void click() { setSelected(true); }

 private:
  friend class OptionGroup;
  OptionGroup& group_;
  bool selected_ = false;
  Handler click_;
};

class MemoryTextBox : public MemoryControl<TextBox> {
 public:
  explicit MemoryTextBox(std::string text = {}) : text_(std::move(text)) {}
  std::string text() const override { return text_; }
  void setText(std::string_view text) override;
  void setSelection(int start, int length) override;
  void onChange(Handler handler) override { change_ = std::move(handler); }
  void onGotFocus(Handler handler) override { gotFocus_ = std::move(handler); }
  // The user types these characters one by one at the end of the text.
  void type(std::string_view characters);
  void focus() { raise(gotFocus_); }
  int selectionStart() const { return selectionStart_; }
  int selectionLength() const { return selectionLength_; }

 private:
  std::string text_;
  int selectionStart_ = 0;
  int selectionLength_ = 0;
  Handler change_;
  Handler gotFocus_;
};

struct ListColumn {
  std::string header;
  int widthTwips = 0;
};

class MemoryListView : public MemoryControl<ListView> {
 public:
  void addColumn(std::string_view header, int widthTwips) override;
  void addItem(std::string_view text) override { items_.emplace_back(text); }
  int itemCount() const override { return static_cast<int>(items_.size()); }
  std::string selectedText() const override;
  int selectedPosition() const override;
  void selectPosition(int position) override;
  void onClick(Handler handler) override { click_ = std::move(handler); }
  // The user clicks the entry at `position` (from 1).
  void click(int position);
  // The user clicks the empty area below the entries: nothing stays selected.
  void clickNothing();
  // The selection taken away without a click, as Ctrl+Space does in a list.
  void loseSelection() { selected_.reset(); }
  const std::vector<ListColumn>& columns() const { return columns_; }
  const std::vector<std::string>& items() const { return items_; }
  bool hasSelection() const { return selected_.has_value(); }

 private:
  std::vector<ListColumn> columns_;
  std::vector<std::string> items_;
  std::optional<int> selected_;
  Handler click_;
};

class MemoryProgressBar : public MemoryControl<ProgressBar> {
 public:
  int max() const override { return max_; }
  void setMax(int max) override { max_ = max; }
  int value() const override { return value_; }
  void setValue(int value) override { value_ = value; }
  std::string text() const override { return text_; }
  void setText(std::string_view text) override { text_ = text; }

 private:
  int max_ = 100;
  int value_ = 0;
  std::string text_;
};

class MemoryFrame : public MemoryControl<Frame> {
 public:
  explicit MemoryFrame(std::string caption = {}) : caption_(std::move(caption)) {}
  std::string caption() const override { return caption_; }
  void setCaption(std::string_view caption) override { caption_ = caption; }
  void setBackColor(unsigned colour) override { backColor_ = colour; }
  std::optional<unsigned> backColor() const { return backColor_; }

 private:
  std::string caption_;
  std::optional<unsigned> backColor_;
};

class MemoryTimer : public Timer {
 public:
  int interval() const override { return interval_; }
  void setInterval(int milliseconds) override { interval_ = milliseconds; }
  bool enabled() const override { return enabled_; }
  void setEnabled(bool enabled) override { enabled_ = enabled; }
  void onTick(Handler handler) override { tick_ = std::move(handler); }
  bool running() const { return enabled_ && interval_ > 0; }
  // One period has passed: raises the tick when the timer runs; says whether it did.
  bool tick();

 private:
  int interval_ = 0;
  bool enabled_ = true;
  Handler tick_;
};

// The hidden text buffer; keeps what it copied as the clipboard.
class MemoryTextBuffer : public TextBuffer {
 public:
  void setPlainText(std::string_view bytes) override;
  std::string text() const override { return text_; }
  void setSelection(int start, int length) override;
  void copySelection() override;
  std::optional<std::string> clipboard;

 private:
  std::string text_;
  int selectionStart_ = 0;
  int selectionLength_ = 0;
};

class MemoryWindow : public MemoryControl<HiddenStateWindow> {
 public:
  std::string caption() const override { return caption_; }
  void setCaption(std::string_view caption) override { caption_ = caption; }
  void setApplicationIcon() override { hasApplicationIcon = true; }
  void setFocus() override { ++focusCount; }
  MousePointer mousePointer() const override { return pointer_; }
  void setMousePointer(MousePointer pointer) override { pointer_ = pointer; }
  void loadCustomPointer(std::string_view cursorFile) override;
  // The user minimises the window: its state changes and the resize handler runs.
  void minimize();

  bool hasApplicationIcon = false;
  bool everShown = false;
  int focusCount = 0;
  std::string customPointerFile;
  bool rejectCursor = false;  // loadCustomPointer throws, as with a damaged cursor file

 private:
  std::string caption_;
  bool visible_ = false;
  WindowState state_ = WindowState::Normal;
  MousePointer pointer_ = MousePointer::Default;

  // As a desktop does, each change of the state is told as a resize.
  bool shown() const override { return visible_; }
  void hide() override { visible_ = false; }
  void showIn(WindowState state) override;
  WindowState shownState() const override { return state_; }
  void changeShownState(WindowState state) override;
};

}  // namespace tg

#pragma once
// The six option controls the backup pass reads, as plain values a test sets.

#include <stdexcept>
#include <string>

#include "backup/Calc.h"
#include "common/ports/Controls.h"

namespace tg::testing {

// Reading a control fails when `failing` is set, as a control of a closing window would.
inline void FailWhen(bool failing) {
  if (failing) throw std::runtime_error("The control cannot be read.");
}

class FakeOption : public OptionButton {
 public:
  explicit FakeOption(bool on = false) : on_(on) {}
  bool selected() const override {
    FailWhen(failing);
    return on_;
  }
  bool failing = false;
  void setSelected(bool selected) override { on_ = selected; }
  void onClick(Handler) override {}
  void onMouseMove(Handler) override {}

 private:
  bool on_;
};

class FakeCheck : public CheckBox {
 public:
  int value() const override {
    FailWhen(failing);
    return value_;
  }
  bool failing = false;
  void setValue(int value) override { value_ = value; }
  bool visible() const override { return true; }
  void setVisible(bool) override {}
  void onClick(Handler) override {}
  void onMouseMove(Handler) override {}

 private:
  int value_ = Unchecked;
};

class FakeText : public TextBox {
 public:
  std::string text() const override {
    FailWhen(failing);
    return text_;
  }
  bool failing = false;
  void setText(std::string_view text) override { text_ = text; }
  void setSelection(int, int) override {}
  void onChange(Handler) override {}
  void onGotFocus(Handler) override {}
  void onMouseMove(Handler) override {}

 private:
  std::string text_;
};

// The options panel as a pass sees it: same folder, date and time stamp off, "Create new file".
struct OptionPanel {
  FakeOption Option2{true};
  FakeOption Option1{false};
  FakeText Text1;
  FakeCheck Check6;
  FakeOption Option3{true};
  FakeOption Option4{false};

  BackupOptionControls optionControls() const {
    return {Option2, Option1, Text1, Check6, Option3, Option4};
  }
};

}  // namespace tg::testing

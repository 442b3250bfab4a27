#pragma once
// What a pass away from the window reads in place of its controls: option values fixed for the
// whole pass, with no events, and a message loop with nothing to run.

#include <string>
#include <string_view>

#include "common/ports/Controls.h"
#include "common/ports/MessageLoop.h"

namespace tg {

class FixedOption : public OptionButton {
 public:
  explicit FixedOption(bool selected = false) : selected_(selected) {}
  bool selected() const override { return selected_; }
  void setSelected(bool selected) override { selected_ = selected; }
  void onClick(Handler) override {}
  void onMouseMove(Handler) override {}

 private:
  bool selected_;
};

class FixedCheck : public CheckBox {
 public:
  explicit FixedCheck(bool checked = false) : value_(checked ? Checked : Unchecked) {}
  int value() const override { return value_; }
  void setValue(int value) override { value_ = value; }
  bool visible() const override { return false; }
  void setVisible(bool) override {}
  void onClick(Handler) override {}
  void onMouseMove(Handler) override {}

 private:
  int value_;
};

class FixedText : public TextBox {
 public:
  explicit FixedText(std::string text = "") : text_(std::move(text)) {}
  std::string text() const override { return text_; }
  void setText(std::string_view text) override { text_ = text; }
  void setSelection(int, int) override {}
  void onChange(Handler) override {}
  void onGotFocus(Handler) override {}
  void onMouseMove(Handler) override {}

 private:
  std::string text_;
};

class NoMessageLoop : public MessageLoop {
 public:
  void yield() override {}
};

}  // namespace tg

#pragma once
// The six option controls the backup pass reads, as plain values a test sets.

#include <functional>
#include <stdexcept>
#include <string>

#include "backup/Calc.h"
#include "backup/FixedOptions.h"
#include "common/ports/Controls.h"

namespace tg::testing {

// Reading a control fails when `failing` is set, as a control of a closing window would.
inline void FailWhen(bool failing) {
  if (failing) throw std::runtime_error("The control cannot be read.");
}

class FakeOption : public FixedOption {
 public:
  using FixedOption::FixedOption;
  bool selected() const override {
    FailWhen(failing);
    return FixedOption::selected();
  }
  bool failing = false;
};

class FakeCheck : public FixedCheck {
 public:
  int value() const override {
    FailWhen(failing);
    return FixedCheck::value();
  }
  bool visible() const override { return true; }
  bool failing = false;
};

class FakeText : public FixedText {
 public:
  std::string text() const override {
    FailWhen(failing);
    return FixedText::text();
  }
  bool failing = false;
};

// The options panel as a pass sees it: same folder, date and time stamp off, "Create new file".
struct OptionPanel {
  FakeOption Option2{true};
  FakeOption Option1{false};
  FakeText Text1;
  FakeCheck Check6;
  FakeOption Option3{true};
  FakeOption Option4{false};

  // Read live, as the window's are: a change made between two documents counts.
  std::function<PassOptions()> passOptions() const {
    return [this] {
      return ReadPassOptions({Option2, Option1, Text1, Check6, Option3, Option4, nullptr});
    };
  }

  // A pass's context over these options and the rest of a test's parts.
  CalcContext calcContext(AutomationFactory& through, Dialogs& dialogs, MessageLoop& loop,
                          FileSystem& files, const Clock& clock, const RegionalSettings& regional,
                          const std::string& historyLogPath, PathStyle style) const {
    return CalcContext{.automation = through,
                       .options = passOptions(),
                       .dialogs = dialogs,
                       .messageLoop = loop,
                       .fileSystem = files,
                       .clock = clock,
                       .regional = regional,
                       .historyLogPath = historyLogPath,
                       .pathStyle = style};
  }
};

}  // namespace tg::testing

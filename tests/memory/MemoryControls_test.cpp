// The in-memory controls raise their handlers exactly when the real ones do; the window's tests
// rely on it.

#include "memory/MemoryControls.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <stdexcept>

#include "memory/RecordingTrayShell.h"
#include "support/ControlKitContract.h"

namespace tg {
namespace {

using testing::ControlKitContract;

class MemoryKit : public testing::ControlKit {
 public:
  CheckBox& checkBox() override { return check_; }
  OptionButton& option(int which) override { return which == 0 ? a_ : which == 1 ? b_ : other_; }
  TextBox& textBox() override { return text_; }
  ListView& list() override { return list_; }
  void runEvents() override {}
  void userClicks(CheckBox&) override { check_.click(); }
  void userTypes(TextBox&, std::string_view text) override { text_.type(text); }
  // The in-memory list has no keys: the entry below is chosen as the keyboard would.
  void userPressesDownIn(ListView&) override { list_.click(list_.selectedPosition() + 1); }
  Window& window() override { return window_; }
  void userMinimizes(Window&) override { window_.minimize(); }
  Timer& timer() override { return timer_; }
  // One period passes in any time that is at least as long.
  void letTimePass(int milliseconds) override {
    if (timer_.running() && milliseconds >= timer_.interval()) timer_.tick();
  }
  TrayShell& trayShell() override { return tray_; }
  void userChoosesFromTrayMenu(std::size_t position) override {
    tray_.whenMenuOpened = [position] { return std::optional<std::size_t>(position); };
    tray_.notify(TrayRightButtonDown);
    tray_.notify(TrayRightButtonUp);
  }
  void userLeftClicksTray() override { tray_.leftClick(); }

 private:
  MemoryCheckBox check_;
  OptionGroup first_, second_;
  MemoryOptionButton a_{first_}, b_{first_}, other_{second_};
  MemoryTextBox text_{""};
  MemoryListView list_;
  MemoryWindow window_;
  MemoryTimer timer_;
  RecordingTrayShell tray_;
};

INSTANTIATE_TEST_SUITE_P(Memory, ControlKitContract,
                         ::testing::Values([] { return std::make_unique<MemoryKit>(); }));

}  // namespace
}  // namespace tg

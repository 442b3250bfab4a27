// The in-memory controls raise their handlers exactly when the real ones do; the window's tests
// rely on it.

#include "adapters/memory/MemoryControls.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

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

 private:
  MemoryCheckBox check_;
  OptionGroup first_, second_;
  MemoryOptionButton a_{first_}, b_{first_}, other_{second_};
  MemoryTextBox text_{""};
  MemoryListView list_;
};

INSTANTIATE_TEST_SUITE_P(Memory, ControlKitContract,
                         ::testing::Values([] { return std::make_unique<MemoryKit>(); }));

TEST(MemoryControls, TimerTicksOnlyWhileItRuns) {
  MemoryTimer timer;
  int ticks = 0;
  timer.onTick([&] { ++ticks; });
  EXPECT_FALSE(timer.tick());  // period 0
  timer.setInterval(1000);
  EXPECT_TRUE(timer.tick());
  timer.setEnabled(false);
  EXPECT_FALSE(timer.tick());
  EXPECT_EQ(ticks, 1);
}

}  // namespace
}  // namespace tg

// The in-memory controls raise their handlers exactly when the real ones do; the window's tests
// rely on it.

#include "adapters/memory/MemoryControls.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace tg {
namespace {

TEST(MemoryControls, CheckBoxRaisesClickOnlyWhenItsValueChanges) {
  MemoryCheckBox box;
  int clicks = 0;
  box.onClick([&] { ++clicks; });
  box.setValue(CheckBox::Unchecked);
  EXPECT_EQ(clicks, 0);
  box.setValue(CheckBox::Checked);
  box.setValue(CheckBox::Checked);
  EXPECT_EQ(clicks, 1);
  box.click();
  EXPECT_EQ(box.value(), CheckBox::Unchecked);
  EXPECT_EQ(clicks, 2);
}

TEST(MemoryControls, SelectingAnOptionRaisesItsClickAndClearsTheRestOfItsGroupOnly) {
  OptionGroup first, second;
  MemoryOptionButton a(first), b(first), other(second);
  int aClicks = 0, bClicks = 0;
  a.onClick([&] { ++aClicks; });
  b.onClick([&] { ++bClicks; });
  other.setSelected(true);
  a.setSelected(true);
  b.click();
  EXPECT_FALSE(a.selected());
  EXPECT_TRUE(b.selected());
  EXPECT_TRUE(other.selected());
  EXPECT_EQ(aClicks, 1);
  EXPECT_EQ(bClicks, 1);
}

TEST(MemoryControls, TextBoxRaisesChangeForEveryDifferingText) {
  MemoryTextBox box("Text1");
  std::vector<std::string> seen;
  box.onChange([&] { seen.push_back(box.text()); });
  box.setText("Text1");
  box.setText("a");
  box.type("bc");
  EXPECT_EQ(seen, (std::vector<std::string>{"a", "ab", "abc"}));
}

TEST(MemoryControls, TypingAddsWholeCharactersNotBytes) {
  MemoryTextBox box("");
  std::vector<std::string> seen;
  box.onChange([&] { seen.push_back(box.text()); });
  box.type("/jö");
  EXPECT_EQ(seen, (std::vector<std::string>{"/", "/j", "/jö"}));
}

TEST(MemoryControls, ListSelectsByPositionWithoutAClick) {
  MemoryListView list;
  int clicks = 0;
  list.onClick([&] { ++clicks; });
  list.addItem("one");
  list.addItem("two");
  EXPECT_THROW(list.selectedText(), std::runtime_error);
  list.selectPosition(2);
  EXPECT_EQ(list.selectedText(), "two");
  EXPECT_EQ(clicks, 0);
  EXPECT_THROW(list.selectPosition(3), std::out_of_range);
  EXPECT_THROW(list.selectPosition(0), std::out_of_range);
  list.click(1);
  EXPECT_EQ(list.selectedPosition(), 1);
  EXPECT_EQ(clicks, 1);
}

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

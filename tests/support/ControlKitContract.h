#pragma once
// What every control kit must do for the window's code: the in-memory controls, Qt's and
// Win32's each run these same cases through a kit of their own (a check box, two option buttons
// of one frame and one of another, a text box, a list), so the window behaves alike on every
// desktop and its tests over the in-memory kit stand for the real ones.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "common/ports/Controls.h"

namespace tg::testing {

class ControlKit {
 public:
  virtual ~ControlKit() = default;
  virtual CheckBox& checkBox() = 0;
  // 0 and 1 stand in one frame, 2 in another.
  virtual OptionButton& option(int which) = 0;
  virtual TextBox& textBox() = 0;  // empty at first
  virtual ListView& list() = 0;    // no entries at first
  // Lets what the kit queued happen (deferred handlers).
  virtual void runEvents() = 0;
  // The user's own actions, as the desktop delivers them.
  virtual void userClicks(CheckBox& box) = 0;
  virtual void userTypes(TextBox& box, std::string_view text) = 0;
  virtual void userPressesDownIn(ListView& list) = 0;
};

using ControlKitMaker = std::function<std::unique_ptr<ControlKit>()>;

class ControlKitContract : public ::testing::TestWithParam<ControlKitMaker> {
 protected:
  void SetUp() override {
    kit_ = GetParam()();
    if (!kit_) GTEST_SKIP() << "this kit cannot make its controls here";
  }
  ControlKit& kit() { return *kit_; }

  struct Count {
    int value = 0;
    Handler handler() {
      return [this] { ++value; };
    }
  };

 private:
  std::unique_ptr<ControlKit> kit_;
};

// A check box's click comes with every change of its value, from code or the user, and only then.
TEST_P(ControlKitContract, ACheckBoxClicksWhenItsValueChangesAndOnlyThen) {
  CheckBox& box = kit().checkBox();
  Count clicks;
  box.onClick(clicks.handler());
  box.setValue(CheckBox::Unchecked);
  box.setValue(CheckBox::Checked);
  box.setValue(CheckBox::Checked);
  kit().runEvents();
  EXPECT_EQ(clicks.value, 1);
  kit().userClicks(box);
  kit().runEvents();
  EXPECT_EQ(box.value(), CheckBox::Unchecked);
  EXPECT_EQ(clicks.value, 2);
}

// Selecting an option button clicks it and clears the others of its frame, never another frame's.
TEST_P(ControlKitContract, AnOptionSelectedClicksAndClearsOnlyItsOwnFrame) {
  Count first, second;
  kit().option(0).onClick(first.handler());
  kit().option(1).onClick(second.handler());
  kit().option(2).setSelected(true);
  kit().option(0).setSelected(true);
  kit().option(1).setSelected(true);
  kit().runEvents();
  EXPECT_FALSE(kit().option(0).selected());
  EXPECT_TRUE(kit().option(1).selected());
  EXPECT_TRUE(kit().option(2).selected());
  EXPECT_EQ(first.value, 1);
  EXPECT_EQ(second.value, 1);
}

// Every differing text, set or typed character by character, is a change; the same text is not.
TEST_P(ControlKitContract, ATextBoxChangesWithEveryDifferingTextInWholeCharacters) {
  TextBox& box = kit().textBox();
  std::vector<std::string> seen;
  box.onChange([&] { seen.push_back(box.text()); });
  box.setText("");
  box.setText("/d");
  box.setText("/d");
  kit().userTypes(box, "ö");
  kit().runEvents();
  EXPECT_EQ(seen, (std::vector<std::string>{"/d", "/dö"}));
  EXPECT_EQ(box.text(), "/dö");
}

// A list selected from code raises nothing; an entry the user chooses, by the mouse or with the
// keyboard, is a click. A list without a selection says so.
TEST_P(ControlKitContract, AListClicksForTheUsersChoiceNeverForOneFromCode) {
  ListView& list = kit().list();
  Count clicks;
  list.onClick(clicks.handler());
  list.addColumn(" When would you like to backup all open Calc files?", 6400);
  for (const char* entry : {"Save every 30 seconds", "Save every minute", "Save every 5 minutes"}) {
    list.addItem(entry);
  }
  EXPECT_THROW(list.selectedText(), std::runtime_error);
  list.selectPosition(1);
  kit().runEvents();
  EXPECT_EQ(clicks.value, 0);
  EXPECT_THROW(list.selectPosition(4), std::out_of_range);
  kit().userPressesDownIn(list);
  kit().runEvents();
  EXPECT_EQ(list.selectedPosition(), 2);
  EXPECT_EQ(list.selectedText(), "Save every minute");
  EXPECT_EQ(clicks.value, 1);
}

}  // namespace tg::testing

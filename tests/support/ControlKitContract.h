#pragma once
// What every control kit must do for the window's code: the in-memory controls, Qt's and
// Win32's each run these same cases through a kit of their own (a check box, two option buttons
// of one frame and one of another, a text box, a list, the window, a timer and the tray), so the
// window behaves alike on every desktop and its tests over the in-memory kit stand for the real
// ones.

#include <gtest/gtest.h>

#include <cstddef>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "common/ports/Controls.h"
#include "common/ports/TrayShell.h"
#include "desktop/cSysTray.h"
#include "memory/CountingMessageLoop.h"
#include "memory/FixedClock.h"

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

  // Hidden at first, in the normal state.
  virtual Window& window() = 0;
  // The user's minimise, through the desktop.
  virtual void userMinimizes(Window& window) = 0;
  // Without an interval at first.
  virtual Timer& timer() = 0;
  // Lets the kit's events run for about this long.
  virtual void letTimePass(int milliseconds) = 0;
  virtual TrayShell& trayShell() = 0;
  // The user opens the tray icon's menu with the right button and chooses the entry at
  // `position`.
  virtual void userChoosesFromTrayMenu(std::size_t position) = 0;
  virtual void userLeftClicksTray() = 0;
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

// A state given to a hidden window waits for the window to be shown, without showing it, and the
// window then shows in it; changes from code raise no resize, the user's minimise does.
TEST_P(ControlKitContract, AHiddenWindowKeepsItsStateUntilShownAndOnlyTheUserResizes) {
  Window& window = kit().window();
  Count resizes;
  window.onResize(resizes.handler());
  window.setState(WindowState::Minimized);
  EXPECT_FALSE(window.visible());
  EXPECT_EQ(window.state(), WindowState::Minimized);
  window.setState(WindowState::Normal);
  window.setVisible(true);
  EXPECT_TRUE(window.visible());
  EXPECT_EQ(window.state(), WindowState::Normal);
  window.setState(WindowState::Minimized);
  EXPECT_EQ(window.state(), WindowState::Minimized);
  window.setState(WindowState::Normal);
  EXPECT_EQ(window.state(), WindowState::Normal);
  EXPECT_EQ(resizes.value, 0);

  kit().userMinimizes(window);
  kit().runEvents();
  EXPECT_EQ(window.state(), WindowState::Minimized);
  EXPECT_GE(resizes.value, 1);
  window.setVisible(false);
  window.setState(WindowState::Normal);
  EXPECT_FALSE(window.visible());
  window.setVisible(true);
  EXPECT_EQ(window.state(), WindowState::Normal);
  window.setVisible(false);
}

// A timer ticks only while it is enabled with an interval, and keeps both when stopped.
TEST_P(ControlKitContract, ATimerTicksOnlyWhileEnabledWithAnInterval) {
  Timer& timer = kit().timer();
  Count ticks;
  timer.onTick(ticks.handler());
  timer.setEnabled(true);
  kit().letTimePass(150);
  EXPECT_EQ(ticks.value, 0) << "no interval";
  timer.setInterval(20);
  kit().letTimePass(150);
  EXPECT_GE(ticks.value, 1);
  timer.setEnabled(false);
  const int stoppedAt = ticks.value;
  kit().letTimePass(150);
  EXPECT_EQ(ticks.value, stoppedAt);
  EXPECT_EQ(timer.interval(), 20);
  EXPECT_FALSE(timer.enabled());
}

// With a menu, the right button opens the tray icon's menu and the entry chosen runs, and only
// it; the left button's events still reach the window.
TEST_P(ControlKitContract, TheTrayMenuRunsTheChosenEntryAndLeftClicksReachTheWindow) {
  CountingMessageLoop loop;
  FixedClock clock;
  cSysTray tray(kit().trayShell(), loop, clock);
  std::vector<std::string> seen;
  tray.MouseDown = [&](int button, int) { seen.push_back("down " + std::to_string(button)); };
  tray.MouseUp = [&](int button, int) { seen.push_back("up " + std::to_string(button)); };
  tray.setMenu({{"Show Tallyguard", [&] { seen.push_back("show"); }},
                {"Quit", [&] { seen.push_back("quit"); }}});
  tray.setInTray(true);
  kit().runEvents();
  kit().userChoosesFromTrayMenu(1);
  kit().userLeftClicksTray();
  kit().runEvents();
  EXPECT_EQ(seen, (std::vector<std::string>{"quit", "down 1", "up 1"}));
  tray.setInTray(false);
}

}  // namespace tg::testing

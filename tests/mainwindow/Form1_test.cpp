// Minimise into the tray, restore from it, a start in the tray, and closing the window.

#include <stdexcept>

#include "WindowFixture.h"
#include "backup/HistoryLog.h"
#include "reporting/ContextLabels.h"

namespace tg::testing {
namespace {

using Tray = WindowFixture;

TEST_F(Tray, MinimisingHidesTheWindowResetsItsStateAndShowsTheBalloon) {
  start();
  window.minimize();
  EXPECT_FALSE(window.visible());
  EXPECT_EQ(window.state(), WindowState::Normal);
  EXPECT_TRUE(globals.HiddenInTray);
  ASSERT_EQ(trayShell.count(TrayCall::ShowBalloon), 1);
  const RecordedTrayCall* balloon = trayShell.last(TrayCall::ShowBalloon);
  EXPECT_EQ(balloon->text,
            "has been minimized to the system tray.\r\nClick on the blue 'M' icon (M for Morvane) "
            "to bring the software back.");
  EXPECT_EQ(balloon->title, "Tallyguard");
  EXPECT_EQ(balloon->timeoutMs, 5000);
}

TEST_F(Tray, MinimisingTwiceShowsTheBalloonOnceButHidesBothTimes) {
  start();
  window.minimize();
  trayShell.leftClick();
  EXPECT_TRUE(window.visible());
  EXPECT_FALSE(globals.HiddenInTray);
  EXPECT_EQ(window.focusCount, 1);
  window.minimize();
  EXPECT_FALSE(window.visible());
  EXPECT_EQ(trayShell.count(TrayCall::ShowBalloon), 1);
  trayShell.notify(TrayRightButtonUp);  // any button brings it back
  EXPECT_TRUE(window.visible());
}

TEST_F(Tray, ResizesDuringTheBalloonWaitHideNothingTwice) {
  start();
  int yields = 0;
  messageLoop.onYield = [&] {
    if (++yields == 1) {  // the user brings the window up and minimises it while the balloon shows
      window.setVisible(true);
      window.minimize();
    }
    clock.advance(1);
  };
  window.minimize();
  EXPECT_EQ(trayShell.count(TrayCall::ShowBalloon), 1);
  EXPECT_TRUE(window.visible());  // the nested minimise did not hide it again
  EXPECT_EQ(yields, 5);           // the balloon waited its five seconds
}

TEST_F(Tray, AResizeThatIsNoMinimiseDoesNothing) {
  start();
  form->Form_Resize();
  EXPECT_TRUE(window.visible());
  EXPECT_FALSE(globals.HiddenInTray);
  EXPECT_EQ(trayShell.count(TrayCall::ShowBalloon), 0);
}

TEST_F(Tray, StartInTrayIsNeverSeenButHasIconAndBalloon) {
  settings.store("Minimized", "On");
  start();
  EXPECT_EQ(Check8.value(), CheckBox::Checked);
  EXPECT_FALSE(window.everShown);
  EXPECT_TRUE(trayShell.iconShown());
  EXPECT_EQ(trayShell.count(TrayCall::ShowBalloon), 1);
  EXPECT_TRUE(globals.HiddenInTray);
  EXPECT_EQ(window.state(), WindowState::Normal);
  trayShell.leftClick();
  EXPECT_TRUE(window.visible());
}

TEST_F(Tray, ClosingStopsTheTimerRemovesTheIconAndEndsTheProgram) {
  start();
  settings.writes.clear();
  form->Form_QueryUnload();
  EXPECT_FALSE(Timer1.enabled());
  EXPECT_FALSE(trayShell.iconShown());
  EXPECT_THROW(form->Form_Unload(), ProgramEnded);
  EXPECT_TRUE(settings.writes.empty());
  EXPECT_TRUE(dialogs.messages.empty());
}

// A pass stand-in that logs one line per document and lets messages run before each.
class ClosingDuringAPass : public WindowFixture {
 protected:
  void logDocuments(int documents) {
    for (int document = 1; document <= documents; ++document) {
      messageLoop.yield();
      AppendHistoryLine(fileSystem, globals.HistoryLogPath,
                        "Book" + std::to_string(document) + ".ods was backup saved as ...");
    }
  }
};

TEST_F(ClosingDuringAPass, TheProgramEndsAtOnceAndNoFurtherLinesAreLogged) {
  settings.store("OftenIndex", "1");
  start();
  duringPass = [&] { logDocuments(3); };
  int yieldsSeen = 0;
  messageLoop.onYield = [&] {
    if (++yieldsSeen == 2) {  // the user closes the window before the second document
      form->Form_QueryUnload();
      form->Form_Unload();
    }
  };
  tick(29);
  EXPECT_THROW(tick(), ProgramEnded);
  EXPECT_EQ(historyText(), "Book1.ods was backup saved as ...\r\n");
  EXPECT_EQ(shell.endCount, 1);
  EXPECT_FALSE(Timer1.running());  // not re-armed: the tick never got past the pass
  EXPECT_TRUE(dialogs.messages.empty());
}

// A timer that refuses to be switched off.
struct UnstoppableTimer : MemoryTimer {
  void setEnabled(bool) override { throw std::runtime_error("Invalid property value"); }
};

TEST_F(Tray, FailuresWhileClosingAreReportedAndTheCloseGoesOn) {
  UnstoppableTimer unstoppable;
  timerPort = &unstoppable;
  start();
  form->Form_QueryUnload();
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_TRUE(IsReport(dialogs.messages[0], ContextLabels::Form_QueryUnload, 100));
  EXPECT_FALSE(trayShell.iconShown());
}

}  // namespace
}  // namespace tg::testing

namespace tg::testing {
namespace {

// A desktop without a notification area: nothing may vanish where the user cannot reach it.
class NoTray : public WindowFixture {
 protected:
  NoTray() { trayShell.trayAvailable = false; }
};

TEST_F(NoTray, MinimisingLeavesAnOrdinaryMinimisedWindowWithoutABalloon) {
  start();
  window.minimize();
  EXPECT_TRUE(window.visible());
  EXPECT_EQ(window.state(), WindowState::Minimized);
  EXPECT_FALSE(globals.HiddenInTray);
  EXPECT_EQ(trayShell.count(TrayCall::ShowBalloon), 0);
}

TEST_F(NoTray, AStartInTheTrayStartsMinimisedInTheTaskBarAndATrayLaterIsUsed) {
  settings.store("Minimized", "On");
  start();
  EXPECT_TRUE(window.visible());
  EXPECT_EQ(window.state(), WindowState::Minimized);
  EXPECT_EQ(trayShell.count(TrayCall::ShowBalloon), 0);
  EXPECT_TRUE(cSysTray1.IconInTray());  // added all the same: it shows once a tray comes

  trayShell.trayAvailable = true;  // a tray host starts, and its icon is clicked
  trayShell.leftClick();
  EXPECT_EQ(window.state(), WindowState::Normal);
  EXPECT_TRUE(window.visible());
  window.minimize();
  EXPECT_FALSE(window.visible());
  EXPECT_TRUE(globals.HiddenInTray);
  EXPECT_EQ(trayShell.count(TrayCall::ShowBalloon), 1);
}

TEST_F(Tray, ShowWindowBringsTheHiddenWindowBackInFront) {
  start();
  window.minimize();
  form->ShowWindow();
  EXPECT_TRUE(window.visible());
  EXPECT_EQ(window.state(), WindowState::Normal);
  EXPECT_FALSE(globals.HiddenInTray);
  EXPECT_EQ(window.focusCount, 1);
}

}  // namespace
}  // namespace tg::testing
